-- Delivered site definitions: per site an INSERT of its ID and name and an UPDATE of its
-- columns (README.md in this folder explains them). IDs run 0, 1, 2, ... without gaps.
-- These rows drive the demonstration site that scripts/run.sh starts on http://127.0.0.1:38517.
INSERT INTO BookMarkWeb (ID, WebName) VALUES (0, '演示站点（按编号）');
UPDATE BookMarkWeb SET
    AllowLogin        = 1,
    LoginUrl          = 'http://127.0.0.1:38517/byid/login',
    IsScript          = 0,
    LoginButtonName   = 'dologin',
    LogoutUrl         = 'http://127.0.0.1:38517/byid/logout',
    UidFieldId        = 'f_uid',
    PwdFieldId        = 'f_pwd',
    SubmitUrl         = 'http://127.0.0.1:38517/byid/submit',
    TitleFieldId      = 'f_title',
    UrlFieldId        = 'f_url',
    TagsFieldId       = 'f_tags',
    TagsSplit         = ',',
    SummaryFieldId    = 'f_summary',
    SubmitButtonId    = 'f_post',
    OtherFieldID1     = 'f_private',
    OtherFieldValue1  = 'true',
    OtherFieldID2     = 'f_source',
    OtherFieldValue2  = 'Tavrinex'
WHERE ID = 0;

INSERT INTO BookMarkWeb (ID, WebName) VALUES (1, '演示站点（按名称）');
UPDATE BookMarkWeb SET
    AllowLogin        = 1,
    LoginUrl          = 'http://127.0.0.1:38517/byname/login',
    IsScript          = 0,
    LoginButtonName   = 'dologin',
    LogoutUrl         = 'http://127.0.0.1:38517/byname/logout',
    UidFieldName      = 'uid',
    PwdFieldName      = 'pwd',
    SubmitUrl         = 'http://127.0.0.1:38517/byname/submit',
    TitleFieldName    = 'title',
    UrlFieldName      = 'url',
    TagsFieldName     = 'tags',
    SubmitButtonName  = 'post',
    OtherFieldName1   = 'other1',
    OtherFieldValue1  = 'false',
    OtherFieldName2   = 'other2',
    OtherFieldValue2  = '按名称'
WHERE ID = 1;

INSERT INTO BookMarkWeb (ID, WebName) VALUES (2, '演示站点（按按钮文字）');
UPDATE BookMarkWeb SET
    AllowLogin        = 1,
    LoginUrl          = 'http://127.0.0.1:38517/byvalue/login',
    IsScript          = 0,
    LoginButtonValue  = ' 登录 ',
    LogoutUrl         = 'http://127.0.0.1:38517/byvalue/logout',
    UidFieldId        = 'f_uid',
    PwdFieldId        = 'f_pwd',
    SubmitUrl         = 'http://127.0.0.1:38517/byvalue/submit',
    TitleFieldId      = 'f_title',
    UrlFieldId        = 'f_url',
    TagsFieldId       = 'f_tags',
    TagsSplit         = ', ',
    SubmitButtonValue = 'submit',
    OtherFieldID1     = 'f_private',
    OtherFieldValue1  = 'true',
    OtherFieldID2     = 'f_source',
    OtherFieldValue2  = 'Tavrinex'
WHERE ID = 2;

INSERT INTO BookMarkWeb (ID, WebName) VALUES (3, '演示站点（登录脚本）');
UPDATE BookMarkWeb SET
    AllowLogin        = 1,
    LoginUrl          = 'location.href=''http://127.0.0.1:38517/script/entry''',
    IsScript          = 1,
    LoginButtonName   = 'dologin',
    LogoutUrl         = 'http://127.0.0.1:38517/script/logout',
    UidFieldId        = 'f_uid',
    PwdFieldId        = 'f_pwd',
    SubmitUrl         = 'http://127.0.0.1:38517/script/submit',
    TitleFieldId      = 'f_title',
    UrlFieldId        = 'f_url',
    TagsFieldId       = 'f_tags',
    TagsSplit         = ',',
    SubmitButtonId    = 'f_post',
    OtherFieldID1     = 'f_private',
    OtherFieldValue1  = 'true',
    OtherFieldID2     = 'f_source',
    OtherFieldValue2  = 'Tavrinex'
WHERE ID = 3;

INSERT INTO BookMarkWeb (ID, WebName) VALUES (4, '演示站点（框架）');
UPDATE BookMarkWeb SET
    AllowLogin        = 1,
    LoginUrl          = 'http://127.0.0.1:38517/frames/login',
    IsScript          = 0,
    LoginButtonName   = 'dologin',
    LogoutUrl         = 'http://127.0.0.1:38517/frames/logout',
    UidFieldId        = 'f_uid',
    PwdFieldId        = 'f_pwd',
    SubmitUrl         = 'http://127.0.0.1:38517/frames/submit',
    TitleFieldId      = 'f_title',
    UrlFieldId        = 'f_url',
    TagsFieldId       = 'f_tags',
    TagsSplit         = ',',
    SubmitButtonId    = 'f_post',
    OtherFieldID1     = 'f_private',
    OtherFieldValue1  = 'true',
    OtherFieldID2     = 'f_source',
    OtherFieldValue2  = 'Tavrinex'
WHERE ID = 4;

