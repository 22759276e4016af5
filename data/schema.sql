-- The store's tables. Column names are the program's; Accounts and Config keep exactly this layout.
CREATE TABLE Config (
    ID      INTEGER NOT NULL PRIMARY KEY,
    Timeout INTEGER
);

CREATE TABLE BookMarkWeb (
    ID                INTEGER NOT NULL PRIMARY KEY,
    WebName           TEXT,
    AllowLogin        INTEGER,
    LoginUrl          TEXT,
    IsScript          INTEGER,
    LoginButtonName   TEXT,
    LoginButtonValue  TEXT,
    LogoutUrl         TEXT,
    UidFieldId        TEXT,
    UidFieldName      TEXT,
    PwdFieldId        TEXT,
    PwdFieldName      TEXT,
    SubmitUrl         TEXT,
    TitleFieldId      TEXT,
    TitleFieldName    TEXT,
    UrlFieldId        TEXT,
    UrlFieldName      TEXT,
    TagsFieldId       TEXT,
    TagsFieldName     TEXT,
    TagsSplit         TEXT,
    SummaryFieldId    TEXT,
    SummaryFieldName  TEXT,
    SubmitButtonId    TEXT,
    SubmitButtonName  TEXT,
    SubmitButtonValue TEXT,
    OtherFieldID1     TEXT,
    OtherFieldName1   TEXT,
    OtherFieldValue1  TEXT,
    OtherFieldID2     TEXT,
    OtherFieldName2   TEXT,
    OtherFieldValue2  TEXT
);

-- An account is identified by the pair (ID, Uid); a user may keep several accounts on one site.
CREATE TABLE Accounts (
    ID  INTEGER NOT NULL,
    Uid TEXT,
    Pwd TEXT
);
