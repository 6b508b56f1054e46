SET FAST_INSERT ON;
/* Dialect 1: double quotes delimit strings and a decimal literal is a
   double; every statement keeps to the ordinary road. */
SET SQL_DIALECT 1;
CREATE DATABASE 'diff.fdb' USER 'SYSDBA' PASSWORD 'diff';
CREATE TABLE D (ID INTEGER, S VARCHAR(10), N NUMERIC(15,2), F DOUBLE PRECISION);
INSERT INTO D VALUES (1, "double", 1.005, 0.1);
INSERT INTO D VALUES (2, 'single', 2.675, 1.5);
INSERT INTO D VALUES (3, "it's", 1e2, 3);
COMMIT;
INSERT INTO D VALUES (4, "x", "y", 1);
