CREATE DATABASE 'golden.fdb' USER 'SYSDBA' PASSWORD 'golden';
CHECK select 1 from rdb$database where 1 = 0;
CHECK select 1 as found from rdb$database;
ECHO never;
