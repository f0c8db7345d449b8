-- LibraryStore version: 1.0
-- comment

DELETE FROM books;
INSERT INTO books VALUES (1, 654, 'l''Europe', NULL, 12.5, X'00FF', ('caf'||char(233)||' x'), -1E-5);
DELETE FROM "my table";
INSERT INTO "my table" VALUES (1, -5);
