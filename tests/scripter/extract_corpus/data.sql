/* Data of every type in quoted lower-case tables: NULLs, quotes, line
   breaks, non-ASCII text and the limits of each type. */
CREATE TABLE "all types" ("id" INTEGER NOT NULL PRIMARY KEY, "s" SMALLINT, "i" INTEGER,
  "b" BIGINT, "n" NUMERIC(9,2), "n18" NUMERIC(18,4), "dec" DECIMAL(5,1), "f" FLOAT,
  "dp" DOUBLE PRECISION, "da" DATE, "ti" TIME, "ts" TIMESTAMP, "vc" VARCHAR(40),
  "ch" CHAR(5), "w" VARCHAR(20) CHARACTER SET WIN1252, "oct" CHAR(4) CHARACTER SET OCTETS,
  "bo" BOOLEAN, "bl" BLOB SUB_TYPE TEXT, "bin" BLOB SUB_TYPE BINARY,
  "comp" COMPUTED BY ("i" * 2));
CREATE TABLE "lower ""q"" tab" ("Key" VARCHAR(10) NOT NULL PRIMARY KEY, "val" VARCHAR(30));
INSERT INTO "all types" VALUES (1, 32767, 2147483647, 9223372036854775807, 9999999.99,
  99999999999999.9999, 9999.9, 1.5, 1.5E300, '9999-12-31', '23:59:59', '9999-12-31 23:59:59.9999',
  'It''s a "quote"', 'abc', 'Grüße', x'00FF7F80', TRUE, 'blob text', x'0001');
INSERT INTO "all types" VALUES (2, -32768, -2147483648, -9223372036854775808, -9999999.99,
  -99999999999999.9999, -9999.9, -0.25, -2.5E-300, '0001-01-01', '00:00:00', '0001-01-01 00:00:00',
  'line1' || ASCII_CHAR(10) || 'line2' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'end', NULL,
  'ÆØÅ ñ €', NULL, FALSE, NULL, NULL);
INSERT INTO "all types" ("id") VALUES (3);
INSERT INTO "lower ""q"" tab" VALUES ('a''b', 'x"y');
INSERT INTO "lower ""q"" tab" VALUES ('日本', NULL);
COMMIT;
