/* DATE, TIME and TIMESTAMP columns in their fixed pictures dd-mm-yyyy,
   hh:nn:ss and dd-mm-yyyy hh:nn (no seconds); SET TIME_DISPLAY OFF shows a
   timestamp's date only, while a TIME column keeps its seconds. Fractions
   of a second are dropped, never rounded; years keep four digits. */
CREATE DATABASE 'golden.fdb' USER 'SYSDBA' PASSWORD 'golden';
create table moment (id integer not null, d date, t time, ts timestamp);
insert into moment values (1, '2006-12-31', '23:59:59.9999', '2006-12-31 23:59:58.9');
insert into moment values (2, '0999-01-02', '00:00:00', '1999-02-03 07:05:09');
insert into moment values (3, null, null, null);
commit;
select id, d, t, ts from moment order by id;
SET TIME_DISPLAY OFF;
select ts as stamp, t, d from moment where id < 3 order by id;
SET TIME_DISPLAY ON;
select cast('2024-02-29 12:34:56' as timestamp) as leap_day_timestamp from rdb$database;
