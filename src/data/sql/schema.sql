-- The program's own relations. This is all a plant database needs besides the domains,
-- the views and functions (functions.sql) and the roles (roles.sql). Loading it again creates
-- only what is missing; a column added later goes in as ALTER TABLE ... ADD COLUMN IF NOT EXISTS
-- so that databases set up before get it too.
-- Names stay lower case and unquoted: some statements spell them in upper case.
CREATE SCHEMA IF NOT EXISTS accounts_dep;

CREATE TABLE IF NOT EXISTS accounts_dep.izdel (
    id    serial PRIMARY KEY,
    marka text NOT NULL,
    nom   text,
    massa double precision
);

CREATE TABLE IF NOT EXISTS accounts_dep.vid_oper (
    id  serial PRIMARY KEY,
    vid text NOT NULL
);
-- The kind editor compares names with upper(vid); the index makes the same rule binding.
CREATE UNIQUE INDEX IF NOT EXISTS vid_oper_vid_upper_key ON accounts_dep.vid_oper (upper(vid));

CREATE TABLE IF NOT EXISTS accounts_dep.oper (
    id       serial PRIMARY KEY,
    vid      integer NOT NULL REFERENCES accounts_dep.vid_oper (id),
    naimen   smallint NOT NULL DEFAULT 0,
    i_id     integer NOT NULL REFERENCES accounts_dep.izdel (id),
    cena     numeric,
    cena_new double precision,
    i_id_old integer,
    CONSTRAINT oper_vid_naimen_i_id_key UNIQUE (vid, naimen, i_id)
);
CREATE INDEX IF NOT EXISTS oper_i_id_idx ON accounts_dep.oper (i_id);

CREATE TABLE IF NOT EXISTS accounts_dep.norm (
    id    serial PRIMARY KEY,
    o_id  integer NOT NULL REFERENCES accounts_dep.oper (id) ON DELETE CASCADE,
    norma integer,
    prize integer,
    price double precision
);
CREATE INDEX IF NOT EXISTS norm_o_id_idx ON accounts_dep.norm (o_id);

CREATE TABLE IF NOT EXISTS accounts_dep.smena (
    id            serial PRIMARY KEY,
    data          date NOT NULL,
    smena         smallint NOT NULL,
    w_id          integer NOT NULL,
    i_id          integer NOT NULL REFERENCES accounts_dep.izdel (id),
    o_id          integer NOT NULL REFERENCES accounts_dep.oper (id),
    cena          double precision NOT NULL DEFAULT 0,
    kol_vo        double precision NOT NULL DEFAULT 0,
    brak          smallint NOT NULL DEFAULT 0,
    color         integer NOT NULL DEFAULT 0,
    time          integer NOT NULL DEFAULT 0,
    ok            varchar(2) DEFAULT 'no',
    vvod          timestamp DEFAULT now(),
    prize         double precision DEFAULT 0,
    id_doc        t_id DEFAULT 0,
    id_doc_item   t_id DEFAULT 0,
    f_gds_qty_use double precision DEFAULT 0,
    id_gds_use    t_id DEFAULT 0,
    id_cons_use   t_id DEFAULT 0
);
-- Shift lists (date and shift), hours sums (worker and date); (data, smena) also serves the
-- period reports, which select a range of dates.
CREATE INDEX IF NOT EXISTS smena_data_smena_idx ON accounts_dep.smena (data, smena);
CREATE INDEX IF NOT EXISTS smena_w_id_data_idx ON accounts_dep.smena (w_id, data);
-- Keep the in-use checks of an operation or product deletion from scanning every entry.
CREATE INDEX IF NOT EXISTS smena_o_id_idx ON accounts_dep.smena (o_id);
CREATE INDEX IF NOT EXISTS smena_i_id_idx ON accounts_dep.smena (i_id);

CREATE TABLE IF NOT EXISTS accounts_dep.smena_gds_use (
    id          serial PRIMARY KEY,
    id_smena    integer NOT NULL REFERENCES accounts_dep.smena (id) ON DELETE CASCADE,
    id_gds_use  t_id NOT NULL,
    f_qty_use   double precision NOT NULL,
    id_cons_use t_id
);
CREATE INDEX IF NOT EXISTS smena_gds_use_id_smena_idx ON accounts_dep.smena_gds_use (id_smena);

CREATE SEQUENCE IF NOT EXISTS accounts_dep.person_temp_id_seq;
CREATE TABLE IF NOT EXISTS accounts_dep.person_temp (
    id        t_id PRIMARY KEY DEFAULT nextval('accounts_dep.person_temp_id_seq'),
    id_smena  integer NOT NULL REFERENCES accounts_dep.smena (id) ON DELETE CASCADE,
    id_person t_id NOT NULL
);
ALTER SEQUENCE accounts_dep.person_temp_id_seq OWNED BY accounts_dep.person_temp.id;
CREATE INDEX IF NOT EXISTS person_temp_id_smena_idx ON accounts_dep.person_temp (id_smena);

-- Rows are inserted with one day set, and totals add all 31 days: every day defaults to 0.
CREATE TABLE IF NOT EXISTS accounts_dep.h_tabel (
    id    serial PRIMARY KEY,
    w_id  integer NOT NULL,
    smena smallint NOT NULL,
    month smallint NOT NULL,
    year  smallint NOT NULL,
    d1  smallint NOT NULL DEFAULT 0, d2  smallint NOT NULL DEFAULT 0,
    d3  smallint NOT NULL DEFAULT 0, d4  smallint NOT NULL DEFAULT 0,
    d5  smallint NOT NULL DEFAULT 0, d6  smallint NOT NULL DEFAULT 0,
    d7  smallint NOT NULL DEFAULT 0, d8  smallint NOT NULL DEFAULT 0,
    d9  smallint NOT NULL DEFAULT 0, d10 smallint NOT NULL DEFAULT 0,
    d11 smallint NOT NULL DEFAULT 0, d12 smallint NOT NULL DEFAULT 0,
    d13 smallint NOT NULL DEFAULT 0, d14 smallint NOT NULL DEFAULT 0,
    d15 smallint NOT NULL DEFAULT 0, d16 smallint NOT NULL DEFAULT 0,
    d17 smallint NOT NULL DEFAULT 0, d18 smallint NOT NULL DEFAULT 0,
    d19 smallint NOT NULL DEFAULT 0, d20 smallint NOT NULL DEFAULT 0,
    d21 smallint NOT NULL DEFAULT 0, d22 smallint NOT NULL DEFAULT 0,
    d23 smallint NOT NULL DEFAULT 0, d24 smallint NOT NULL DEFAULT 0,
    d25 smallint NOT NULL DEFAULT 0, d26 smallint NOT NULL DEFAULT 0,
    d27 smallint NOT NULL DEFAULT 0, d28 smallint NOT NULL DEFAULT 0,
    d29 smallint NOT NULL DEFAULT 0, d30 smallint NOT NULL DEFAULT 0,
    d31 smallint NOT NULL DEFAULT 0,
    CONSTRAINT h_tabel_w_id_smena_month_year_key UNIQUE (w_id, smena, month, year)
);
CREATE INDEX IF NOT EXISTS h_tabel_year_month_idx ON accounts_dep.h_tabel (year, month, smena);

-- One row at most: the build stamp of the newest program that ran against the database.
CREATE TABLE IF NOT EXISTS accounts_dep.ver (
    d integer,
    t integer
);
