CONNECT 'db.fdb' USER 'u' PASSWORD 'p';
SET PARAMETER city 'Delft';
CHECK select 1;
/* comment */ -- line
HELP set term;
EXECUTE SCRIPT 'a.sql';
