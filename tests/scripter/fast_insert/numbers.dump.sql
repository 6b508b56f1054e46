CONNECT 'diff.fdb' USER 'SYSDBA' PASSWORD 'diff';
/* The doubles also as text and compared with neighbours, so that a value one
   unit in the last place off shows. */
SELECT ID, S, I, B, N42, N93, N184, D152, CAST(F AS VARCHAR(30)) AS F,
  CAST(DP AS VARCHAR(30)) AS DP, DP = 0.1e1 AS ONE, DP = 1.1 AS ELEVEN,
  DP = 9007199254740992 AS BIG FROM NUMS ORDER BY ID;
