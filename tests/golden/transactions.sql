/* Both transaction models. Implicit (tessel-cli's setting): a transaction
   starts when a statement needs one and stays open until COMMIT or ROLLBACK.
   Explicit: every statement commits on its own, unless START TRANSACTION
   opened a transaction, which then stays open. The transaction mode applies
   from the next transaction on. */
CREATE DATABASE 'golden.fdb' USER 'SYSDBA' PASSWORD 'golden';
create table t (n integer);
insert into t values (1);
ROLLBACK;
insert into t values (2);
COMMIT;
select n from t;
COMMIT;
SET START_TRANSACTION EXPLICIT;
insert into t values (3);
ROLLBACK;
START TRANSACTION;
insert into t values (4);
ROLLBACK WORK;
START TRANSACTION;
insert into t values (5);
COMMIT WORK;
select n from t order by n;
SET TRANSACTION_MODE READONLY;
SET SUPPRESS_ERROR ON;
insert into t values (6);
SET SUPPRESS_ERROR OFF;
SET TRANSACTION MODE snapshot;
SET START_TRANSACTION IMPLICIT;
delete from t where n = 2;
ROLLBACK TRANSACTION;
select count(*) as total from t;
