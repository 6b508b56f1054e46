ECHO before the error;
insert into missing_table values (1);
ECHO never shown either;
