-- Passwords of the demo and test logins: each login's password is its own name.
-- For the demo and the tests only; a plant database never gets this file.
ALTER ROLE sys PASSWORD 'sys';
ALTER ROLE master PASSWORD 'master';
ALTER ROLE clerk_a PASSWORD 'clerk_a';
ALTER ROLE clerk_b PASSWORD 'clerk_b';
ALTER ROLE clerk_c PASSWORD 'clerk_c';
ALTER ROLE econom PASSWORD 'econom';
