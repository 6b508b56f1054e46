/* Catalogue listings and statement generators: each answer is the
   command's message, shown line by line with its widths and trailing
   blanks; the catalogue queries behind them are never echoed. */
CREATE DATABASE 'golden.fdb' USER 'SYSDBA' PASSWORD 'golden';
CREATE TABLE COUNTRY (ID INTEGER NOT NULL, NAME VARCHAR(30));
SET TERM ^ ;
CREATE PROCEDURE POPULATION (COUNTRY_ID INTEGER) RETURNS (TOTAL NUMERIC(15,2))
AS
BEGIN
  TOTAL = 0;
  SUSPEND;
END^
SET TERM ; ^
SET ECHO ON;
DESCRIBE;
describe country;
SHOW PROCEDURE population;
SHOW FUNCTION;
GET INSERT country;
GET CREATE Customer FK1 Country;
GET CREATE t TYPE x;
