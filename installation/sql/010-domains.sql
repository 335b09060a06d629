/* Domains shared by the tables of the database.
   The database is created in dialect 3 with DEFAULT CHARACTER SET WIN1251; these files are
   kept in UTF-8 and run over a UTF-8 connection (velmor-install does that, or
   isql-fb -ch UTF8), so Cyrillic literals reach the WIN1251 columns unchanged. */

/* 64-bit keys from SP_GEN_UID (students, orders, curricula, sheets). */
CREATE DOMAIN D_UID AS BIGINT;

/* 0/1 flags: written and compared as 1 and 0 by the client, so not BOOLEAN. */
CREATE DOMAIN D_BOOL AS SMALLINT DEFAULT 0 NOT NULL CHECK (VALUE IN (0, 1));

/* Login, user and group names: the server's user names, kept in upper case. */
CREATE DOMAIN D_USERNAME AS VARCHAR(31);

/* Full name of a person as the register, the journal and the orders show it. It never holds
   "#": the card splits a list of names at that character. */
CREATE DOMAIN D_FIO AS VARCHAR(70) CHECK (VALUE IS NULL OR VALUE NOT CONTAINING '#');

CREATE DOMAIN D_NAMEPART AS VARCHAR(30);
CREATE DOMAIN D_ADDRESS AS VARCHAR(250);
CREATE DOMAIN D_GUIDENAME AS VARCHAR(100);

/* The "held since admission" date of the history tables is 01.01.1900. */
CREATE DOMAIN D_BEGINDATE AS DATE NOT NULL;

/* Memo texts and pictures. */
CREATE DOMAIN D_MEMO AS BLOB SUB_TYPE TEXT SEGMENT SIZE 4096;
CREATE DOMAIN D_BINARY AS BLOB SUB_TYPE 0 SEGMENT SIZE 4096;

COMMIT;
