-- A new catalogue on a MariaDB or MySQL server: the catalogue's tables, what a new catalogue starts with,
-- and the function my_lower. Run again on a catalogue that exists, it changes no table and no row.
-- The columns of books (positions 0 to 21) and of categories (0 to 3) are read by number in the
-- program: keep their order.
CREATE TABLE IF NOT EXISTS books (
    id BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
    inv_num INT,
    author TEXT,
    title TEXT,
    date_reg DATE,
    source TEXT,
    location TEXT,
    publisher TEXT,
    year_p INT,
    page_count INT,
    price DOUBLE,
    add_num TEXT,
    liter TEXT,
    notes TEXT,
    itemkind_id INT,
    onloan INT DEFAULT 0,
    isbn TEXT,
    rubric TEXT,
    loaner TEXT,
    date_out DATE,
    annotation TEXT,
    file TEXT,
    KEY books_itemkind (itemkind_id, inv_num),
    KEY books_date_reg (date_reg, itemkind_id)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4 COLLATE = utf8mb4_unicode_ci;

CREATE TABLE IF NOT EXISTS orders (
    id BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
    book_id BIGINT,
    loaner TEXT,
    date_out DATE,
    date_in DATE,
    status INT DEFAULT 0,
    cost INT DEFAULT 0,
    KEY orders_book (book_id),
    KEY orders_dates (date_out, date_in),
    KEY orders_loaner (loaner(100))
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4 COLLATE = utf8mb4_unicode_ci;

CREATE TABLE IF NOT EXISTS categories (
    id BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
    title TEXT,
    parent BIGINT DEFAULT 0,
    has_children INT DEFAULT 0,
    KEY categories_parent (parent)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4 COLLATE = utf8mb4_unicode_ci;

CREATE TABLE IF NOT EXISTS keywords (
    id BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
    keyword TEXT,
    book_id BIGINT,
    KEY keywords_book (book_id),
    KEY keywords_keyword (keyword(100))
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4 COLLATE = utf8mb4_unicode_ci;

CREATE TABLE IF NOT EXISTS v_itemkind (
    id INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
    itemkind_name TEXT,
    description TEXT
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4 COLLATE = utf8mb4_unicode_ci;

-- The password is compared byte for byte, letter case and trailing blanks included.
CREATE TABLE IF NOT EXISTS settings (
    name VARCHAR(64) NOT NULL PRIMARY KEY,
    value TEXT
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4 COLLATE = utf8mb4_nopad_bin;

-- Due dates of extended loans: one row per extension of a lending.
CREATE TABLE IF NOT EXISTS loan_terms (
    order_id BIGINT NOT NULL,
    seq INT NOT NULL,
    book_id BIGINT,
    date_out DATE,
    due_date DATE NOT NULL,
    extended_on DATE NOT NULL,
    PRIMARY KEY (order_id, seq)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4 COLLATE = utf8mb4_unicode_ci;

INSERT IGNORE INTO v_itemkind (id, itemkind_name, description) VALUES (1, 'Книги', 'Книги и брошюры');
INSERT IGNORE INTO v_itemkind (id, itemkind_name, description) VALUES (2, 'Журналы', 'Периодические издания');
INSERT IGNORE INTO v_itemkind (id, itemkind_name, description) VALUES (3, 'Диссертации', 'Диссертации и авторефераты');
INSERT IGNORE INTO v_itemkind (id, itemkind_name, description) VALUES (4, 'Электронные издания', 'Диски и файлы');
INSERT IGNORE INTO settings (name, value) VALUES ('password', '');

-- Lower-cases Cyrillic (Ё included) and Latin letters; NULL gives the empty text.
CREATE OR REPLACE FUNCTION my_lower(s LONGTEXT CHARSET utf8mb4) RETURNS LONGTEXT CHARSET utf8mb4
    DETERMINISTIC NO SQL
    RETURN IFNULL(LOWER(s), '');
