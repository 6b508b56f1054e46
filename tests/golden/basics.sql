-- The interpreter's own commands, no database needed.
ECHO Hello   golden   world;
ECHO 'quoted  text';
SET ECHO ON;
ECHO with echo;
SET ECHO OFF;
HELP set term;
HELP nothing;
SET TRANSACTION MODE readcommitted;
COMMIT;
SET PARAMETER_REPLACE ON;
SET PARAMETER who 'Tessel';
ECHO :who;
SET TERM ^ ;
ECHO after term^
SET TERM ; ^
