-- Run by execute_script.sql.
insert into item values (1, 'one');
insert into item values (2, 'two');
SET SHOW_RECORD_COUNT ON;
