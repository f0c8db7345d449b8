-- What a new catalogue starts with: a few item kinds and an empty edit-mode password.
INSERT INTO v_itemkind (id, itemkind_name, description) VALUES (1, 'Книги', 'Книги и брошюры');
INSERT INTO v_itemkind (id, itemkind_name, description) VALUES (2, 'Журналы', 'Периодические издания');
INSERT INTO v_itemkind (id, itemkind_name, description) VALUES (3, 'Диссертации', 'Диссертации и авторефераты');
INSERT INTO v_itemkind (id, itemkind_name, description) VALUES (4, 'Электронные издания', 'Диски и файлы');
INSERT INTO settings (name, value) VALUES ('password', '');
