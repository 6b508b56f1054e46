/* Result layout: widths by type, alignment, NULLs, counts and headers. */
CREATE DATABASE 'golden.fdb' USER 'SYSDBA' PASSWORD 'golden';
create table item (id integer not null, name varchar(12), price numeric(9,2),
                   qty smallint, code char(4));
insert into item values (1, 'apple', 1.5, 10, 'A1');
insert into item values (22, 'pear', 12.25, null, 'B22');
insert into item values (333, 'fig', null, -3, 'C333');
commit;
select id, name, price, qty, code from item order by id;
SET SHOW_RECORD_COUNT ON;
select name as n from item where id = 1;
select id from item where id > 1000;
update item set qty = 0 where id < 100;
delete from item where id = 333;
SET SHOW_RECORD_HEADER OFF;
select count(*) as total from item;
SET SHOW_RECORD_HEADER ON;
SET TRIM_CHAR_FIELDS ON;
select code from item order by id;
