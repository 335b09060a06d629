/* Keys and selections.
   One sequence feeds the 64-bit keys of students, orders, curricula and sheets, so a key is
   unique across those tables (variants and modules share one key column and rely on it). */

CREATE SEQUENCE GEN_UID;

SET TERM ^ ;
CREATE PROCEDURE SP_GEN_UID
RETURNS (ID BIGINT)
AS
BEGIN
    ID = GEN_ID(GEN_UID, 1);
    SUSPEND;
END^
SET TERM ; ^

/* Identifiers of the rows a caller selected, private to the caller's transaction: the rows
   vanish at its commit or rollback, so nothing is left behind by a reader that forgets to
   delete them. TRANID is filled by the database; readers match it with CURRENT_TRANSACTION. */
CREATE GLOBAL TEMPORARY TABLE SELECTEDIDS (
    SELID  BIGINT NOT NULL,
    TRANID BIGINT
) ON COMMIT DELETE ROWS;

CREATE INDEX IX_SELECTEDIDS_TRANID ON SELECTEDIDS (TRANID);
CREATE INDEX IX_SELECTEDIDS_SELID ON SELECTEDIDS (SELID);

SET TERM ^ ;
CREATE TRIGGER SELECTEDIDS_BI FOR SELECTEDIDS
ACTIVE BEFORE INSERT POSITION 0
AS
BEGIN
    NEW.TRANID = CURRENT_TRANSACTION;
END^
SET TERM ; ^

COMMIT;
