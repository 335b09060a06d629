/* Client builds stored in the database. Empty in a new database: the client starts. When
   rows exist, the highest UPD_BUILD must equal the installed build. */

CREATE TABLE CLIENT_UPDATES (
    UPD_BUILD     INTEGER NOT NULL,
    UPD_VERSION   VARCHAR(30) NOT NULL,      /* "5.0.1.123": the fourth number is the build */
    UPD_DATE      DATE,
    UPD_FILE      D_BINARY,                  /* zip package with update.pass, or an updater */
    UPD_ISUPDATER D_BOOL,
    CONSTRAINT PK_CLIENT_UPDATES PRIMARY KEY (UPD_BUILD)
);

COMMIT;
