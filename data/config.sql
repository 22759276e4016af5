-- The one settings row: the step time-out of a run, in whole seconds.
INSERT INTO Config (ID, Timeout) VALUES (0, 30);
