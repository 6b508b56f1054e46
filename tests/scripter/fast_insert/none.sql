SET FAST_INSERT ON;
/* A connection without a character set (NONE): strings travel as bytes into
   columns of several character sets, valid UTF-8 and not. */
CREATE DATABASE 'diff.fdb' USER 'SYSDBA' PASSWORD 'diff';
CREATE TABLE N (ID INTEGER NOT NULL PRIMARY KEY, NN VARCHAR(10),
  U8 VARCHAR(10) CHARACTER SET UTF8, L1 VARCHAR(10) CHARACTER SET ISO8859_1,
  C2 CHAR(2), BT BLOB SUB_TYPE TEXT);
INSERT INTO N VALUES (1, 'plain', 'plain', 'plain', 'ab', 'plain');
INSERT INTO N VALUES (2, 'héllo', 'héllo', 'héllo', 'é', 'héllo');
INSERT INTO N VALUES (3, 'it''s', '''', '''''', '''', 'it''s');
INSERT INTO N VALUES (4, '€', '€', 'x', 'x', '€');
SET SUPPRESS_ERROR ON;
INSERT INTO N VALUES (10, 'x', 'x', 'x', 'éé', 'x');
INSERT INTO N VALUES (11, 'x', 'x', '€', 'x', 'x');
INSERT INTO N VALUES (12, 'éééééé', 'x', 'x', 'x', 'x');
INSERT INTO N VALUES (13, 'x', 'caf�', 'x', 'x', 'x');
INSERT INTO N VALUES (14, 'caf�', 'x', 'caf�', 'x', 'x');
SET SUPPRESS_ERROR OFF;
COMMIT;
