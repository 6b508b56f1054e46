/* SET PLAN ON shows the server's plan above a query's rows; SET PLAN ONLY
   shows the plan and runs nothing, so the delete below deletes no row. The
   plan's wording is the server's; its index names are patterns. */
CREATE DATABASE 'golden.fdb' USER 'SYSDBA' PASSWORD 'golden';
create table item (id integer not null primary key, name varchar(10));
insert into item values (1, 'one');
insert into item values (2, 'two');
commit;
SET PLAN ON;
select name from item where id = 2;
select count(*) as items from item;
insert into item values (3, 'three');
SET PLAN ONLY;
delete from item;
select name from item where id = 1;
SET PLAN OFF;
select count(*) as items from item;
