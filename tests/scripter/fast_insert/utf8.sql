SET FAST_INSERT ON;
/* A UTF8 connection: non-ASCII text into columns of several character sets,
   quotes inside strings, and the transliteration and length errors. */
SET NAMES UTF8;
CREATE DATABASE 'diff.fdb' USER 'SYSDBA' PASSWORD 'diff' DEFAULT CHARACTER SET UTF8;
/* CREATE DATABASE attaches without the character set: attach again. */
CONNECT 'diff.fdb' USER 'SYSDBA' PASSWORD 'diff';
CREATE TABLE U (ID INTEGER NOT NULL PRIMARY KEY, U8 VARCHAR(10) CHARACTER SET UTF8,
  L1 VARCHAR(10) CHARACTER SET ISO8859_1, NN VARCHAR(10) CHARACTER SET NONE,
  C3 CHAR(3) CHARACTER SET UTF8, W1252 VARCHAR(10) CHARACTER SET WIN1252,
  OCT CHAR(4) CHARACTER SET OCTETS, BT BLOB SUB_TYPE TEXT CHARACTER SET UTF8,
  BL BLOB SUB_TYPE TEXT CHARACTER SET ISO8859_1);
INSERT INTO U VALUES (1, 'héllo', 'héllo', 'héllo', 'ééé', 'Ünï €', 'abcd', 'blob é', 'blob é');
INSERT INTO U VALUES (2, '日本語', 'x', '日本語', '日本語', 'x', 'ab', '日本', 'x');
INSERT INTO U VALUES (3, 'it''s ü', '''', '''''', '''é''', '€''€', '', '', '''');
INSERT INTO U VALUES (4, 'ß', 'ß', 'ß', 'ß', 'ß', 'ß', 'ß', 'ß');
INSERT INTO U VALUES (5, 12.5, 7, -1, 9, 0.5, 42, 3, 4);
INSERT INTO U (ID, U8) VALUES (6, '𝄞 clef');
SET SUPPRESS_ERROR ON;
INSERT INTO U VALUES (10, 'x', '日本', 'x', 'x', 'x', 'x', 'x', 'x');
INSERT INTO U VALUES (11, 'x', 'x', 'x', 'éééé', 'x', 'x', 'x', 'x');
INSERT INTO U VALUES (12, 'ééééééééééé', 'x', 'x', 'x', 'x', 'x', 'x', 'x');
INSERT INTO U VALUES (13, 'x', 'x', 'x', 'x', 'x', 'abcde', 'x', 'x');
INSERT INTO U VALUES (14, 'x', 'x', 'x', 'x', '日本', 'x', 'x', 'x');
INSERT INTO U VALUES (15, 'x', 'x', 'x', 'x', 'x', 'x', 'x', '日本');
INSERT INTO U VALUES (16, 'x', 'x', 'xxxxxxxxxxé', 'x', 'x', 'x', 'x', 'x');
SET SUPPRESS_ERROR OFF;
COMMIT;
