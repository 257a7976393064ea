-- Stand-in for the surrounding plant information system: only the relations and columns the
-- program reads, with the plant's own key type t_id. A real plant database already has these;
-- it gets schema.sql, functions.sql and roles.sql only.
--
-- Goods and products share one key space: a product (accounts_dep.izdel.id) is the goods item
-- with the same id, so requisition items and manufacturing operations name products by it.

CREATE SCHEMA IF NOT EXISTS cmn_contractor;
CREATE SCHEMA IF NOT EXISTS hrms_staffpos;
CREATE SCHEMA IF NOT EXISTS hrms_movement;
CREATE SCHEMA IF NOT EXISTS cmn_gds;
CREATE SCHEMA IF NOT EXISTS stk_stock;
CREATE SCHEMA IF NOT EXISTS stk_consignment;
CREATE SCHEMA IF NOT EXISTS stk_remainder;
CREATE SCHEMA IF NOT EXISTS mnf_doc;
CREATE SCHEMA IF NOT EXISTS cmn_doc;
CREATE SCHEMA IF NOT EXISTS mnf_operation;

-- Persons; employees carry their worker code (a number written as text) in s_code.
CREATE TABLE cmn_contractor.person (
    id         t_id PRIMARY KEY,
    s_code     text,
    s_caption  text NOT NULL,
    b_employee boolean NOT NULL DEFAULT true
);
CREATE INDEX person_s_code_idx ON cmn_contractor.person (s_code);

CREATE TABLE hrms_staffpos.staffpos (
    id        t_id PRIMARY KEY,
    s_caption text NOT NULL
);

-- Staff movements: the current one has d_begin <= today and no d_end or d_end >= today.
CREATE TABLE hrms_movement.movement (
    id          t_id PRIMARY KEY,
    id_employee t_id NOT NULL REFERENCES cmn_contractor.person (id),
    id_staffpos t_id NOT NULL REFERENCES hrms_staffpos.staffpos (id),
    d_begin     date NOT NULL,
    d_end       date
);
CREATE INDEX movement_id_employee_idx ON hrms_movement.movement (id_employee);

-- Goods catalogue (materials and products alike); s_gds_mc is the goods code.
CREATE TABLE cmn_gds.gds (
    id        t_id PRIMARY KEY,
    s_gds_mc  text,
    s_caption text NOT NULL,
    s_unit    text NOT NULL DEFAULT 'шт.'
);

CREATE TABLE stk_stock.stock (
    id        t_id PRIMARY KEY,
    s_caption text NOT NULL
);

-- Consignments (batches) of a goods item received into a stock.
CREATE TABLE stk_consignment.consignment (
    id       t_id PRIMARY KEY,
    id_gds   t_id NOT NULL,
    id_stock t_id NOT NULL,
    s_number text NOT NULL,
    d_date   date NOT NULL
);
CREATE INDEX consignment_id_gds_idx ON stk_consignment.consignment (id_gds);

-- Production documents (requisitions); id_stock_from issues their materials.
CREATE TABLE mnf_doc.doc (
    id            t_id PRIMARY KEY,
    s_number      text NOT NULL,
    d_date        date NOT NULL,
    id_type       t_id NOT NULL,
    id_stock_from t_id
);

-- Requisition items: how much of a goods item (product) a requisition asks for.
CREATE TABLE mnf_doc.doc_item (
    id     t_id PRIMARY KEY,
    id_doc t_id NOT NULL REFERENCES mnf_doc.doc (id) ON DELETE CASCADE,
    n_pos  integer NOT NULL DEFAULT 1,
    id_gds t_id NOT NULL,
    f_qty  numeric NOT NULL DEFAULT 0
);
CREATE INDEX doc_item_id_doc_idx ON mnf_doc.doc_item (id_doc);

-- Common header of every document; joined to mnf_doc.doc on (id_reference, id_type).
CREATE TABLE cmn_doc.doc (
    id           t_id PRIMARY KEY,
    id_reference t_id NOT NULL,
    id_type      t_id NOT NULL
);
CREATE INDEX cmn_doc_reference_idx ON cmn_doc.doc (id_reference, id_type);

-- Stock remainders. Free stock has no reservation; reserved stock names the requisition's
-- common header (cmn_doc.doc.id) and the requisition item.
CREATE TABLE stk_remainder.remainder (
    id                   t_id PRIMARY KEY,
    id_stock             t_id NOT NULL,
    id_gds               t_id NOT NULL,
    id_cons              t_id,
    f_qty                numeric NOT NULL DEFAULT 0,
    id_reserved_doc      t_id,
    id_reserved_doc_item t_id
);
CREATE INDEX remainder_id_gds_idx ON stk_remainder.remainder (id_gds, id_stock);

-- Manufacturing operations: f_qty_from of id_gds_from is used per piece of id_gds_to.
CREATE TABLE mnf_operation.operation (
    id                t_id PRIMARY KEY,
    id_gds_from       t_id NOT NULL,
    id_gds_to         t_id NOT NULL,
    id_operation_type t_id,
    n_count           integer NOT NULL DEFAULT 1,
    f_qty_from        numeric(18, 6) NOT NULL DEFAULT 0
);
CREATE INDEX operation_id_gds_to_idx ON mnf_operation.operation (id_gds_to, id_gds_from);
