/* A first Tessel session: run it with   bash scripts/run-example.sh
   It creates a database in the current folder on the embedded engine. */

CREATE DATABASE 'quickstart.fdb' USER 'SYSDBA' PASSWORD 'masterkey';

-- DDL is committed at once (SET AUTODDL is on).
create table city (
    id      integer not null primary key,
    name    varchar(30) not null,
    country char(2),
    founded date,
    area    numeric(9,2)
);

insert into city values (1, 'Delft', 'NL', '1246-04-15', 24.06);
insert into city values (2, 'Leiden', 'NL', '1266-01-01', 23.26);
insert into city values (3, 'Brugge', 'BE', null, 138.40);
commit;

-- A plan, a record count and statistics around a query.
SET PLAN ON;
SET SHOW_RECORD_COUNT ON;
select id, name, country, founded, area from city where country = 'NL' order by name;
SET PLAN OFF;

SET STATISTICS_DISPLAY ON;
select count(*) as cities from city;
SET STATISTICS_DISPLAY OFF;

-- Transactions: the implicit model keeps one open until COMMIT or ROLLBACK.
update city set area = 0 where id = 3;
ROLLBACK;
select name, area from city where id = 3;

-- A parameter: set once, substituted wherever :country appears.
SET PARAMETER country 'BE';
select name from city where country = :country;

-- An error that does not end the script.
SET SUPPRESS_ERROR ON;
insert into city values (1, 'Duplicate', 'NL', null, null);
SET SUPPRESS_ERROR OFF;

ECHO Quickstart finished.;
