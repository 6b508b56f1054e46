CREATE DATABASE 'golden.fdb' USER 'SYSDBA' PASSWORD 'golden';
SET SUPPRESS_ERROR ON;
select * from missing_table;
ECHO still running;
SET SUPPRESS_ERROR OFF;
create table t (a integer);
insert into t values ('not a number');
ECHO never shown;
