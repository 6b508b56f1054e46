/* EXECUTE SCRIPT runs a script file nested in this one: its statements are
   shown as they run, and its settings and its terminator stay in effect
   afterwards. An error in it ends both scripts. */
CREATE DATABASE 'golden.fdb' USER 'SYSDBA' PASSWORD 'golden';
create table item (id integer not null, name varchar(10));
EXECUTE SCRIPT 'fill.sql';
select count(*) as items from item;
SET ROOT_DIRECTORY 'sub';
EXECUTE SCRIPT 'term.sql';
ECHO back in the outer script^
SET TERM ; ^
ECHO semicolons again;
EXECUTE SCRIPT 'broken.sql';
ECHO never shown;
