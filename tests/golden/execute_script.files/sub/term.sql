-- Run by execute_script.sql through its root directory; leaves "^" as the
-- terminator.
ECHO in the sub folder;
SET TERM ^ ;
