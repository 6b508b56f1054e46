/* Procedure bodies between SET TERM commands: the body's semicolons stay
   inside one statement, and because changing the terminator switches
   parameter substitution off, the body's :references are left alone even
   where a parameter of that name is stored. */
CREATE DATABASE 'golden.fdb' USER 'SYSDBA' PASSWORD 'golden';
SET PARAMETER n 99;
SET TERM ^ ;
CREATE PROCEDURE double_it (n integer) RETURNS (r integer)
AS
BEGIN
  r = :n * 2;
  SUSPEND;
END^
CREATE PROCEDURE count_to (top integer) RETURNS (i integer, label varchar(8))
AS
BEGIN
  i = 1;
  WHILE (i <= :top) DO
  BEGIN
    label = 'n' || i;
    SUSPEND;
    i = i + 1;
  END
END^
CREATE PROCEDURE do_nothing
AS
BEGIN
  EXIT;
END^
SET TERM ; ^
EXECUTE PROCEDURE double_it(21);
select r from double_it(4);
select i, label from count_to(3);
EXECUTE PROCEDURE do_nothing;
SET SHOW_RECORD_COUNT ON;
select i from count_to(0);
EXECUTE PROCEDURE double_it(-5);
SET PARAMETER_REPLACE ON;
select r from double_it(:n);
