-- A new catalogue on a MariaDB server (10.11): the catalogue's tables, what a new catalogue starts with,
-- and the function my_lower. Run again on a catalogue that exists, it changes no table and no row.
-- Text compares byte for byte with no padding (utf8mb4_nopad_bin), holds any length (LONGTEXT) and
-- numbers are 64-bit, as in the catalogue file: values that differ in case, in е/ё or in trailing
-- blanks stay apart. resources/upgrade_db.sql brings a catalogue made by an older script up to this.
-- The columns of books (positions 0 to 21) and of categories (0 to 3) are read by number in the
-- program: keep their order.
CREATE TABLE IF NOT EXISTS books (
    id BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
    inv_num BIGINT,
    author LONGTEXT,
    title LONGTEXT,
    date_reg DATE,
    source LONGTEXT,
    location LONGTEXT,
    publisher LONGTEXT,
    year_p BIGINT,
    page_count BIGINT,
    price DOUBLE,
    add_num LONGTEXT,
    liter LONGTEXT,
    notes LONGTEXT,
    itemkind_id BIGINT,
    onloan BIGINT DEFAULT 0,
    isbn LONGTEXT,
    rubric LONGTEXT,
    loaner LONGTEXT,
    date_out DATE,
    annotation LONGTEXT,
    file LONGTEXT,
    KEY books_itemkind (itemkind_id, inv_num),
    KEY books_date_reg (date_reg, itemkind_id),
    KEY books_inv_num (inv_num),
    KEY books_isbn (isbn(32))
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4 COLLATE = utf8mb4_nopad_bin;

CREATE TABLE IF NOT EXISTS orders (
    id BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
    book_id BIGINT,
    loaner LONGTEXT,
    date_out DATE,
    date_in DATE,
    status BIGINT DEFAULT 0,
    cost BIGINT DEFAULT 0,
    KEY orders_book (book_id),
    KEY orders_dates (date_out, date_in),
    KEY orders_loaner (loaner(100))
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4 COLLATE = utf8mb4_nopad_bin;

CREATE TABLE IF NOT EXISTS categories (
    id BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
    title LONGTEXT,
    parent BIGINT DEFAULT 0,
    has_children BIGINT DEFAULT 0,
    KEY categories_parent (parent)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4 COLLATE = utf8mb4_nopad_bin;

CREATE TABLE IF NOT EXISTS keywords (
    id BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
    keyword LONGTEXT,
    book_id BIGINT,
    KEY keywords_book (book_id),
    KEY keywords_keyword (keyword(100))
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4 COLLATE = utf8mb4_nopad_bin;

CREATE TABLE IF NOT EXISTS v_itemkind (
    id BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
    itemkind_name LONGTEXT,
    description LONGTEXT
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4 COLLATE = utf8mb4_nopad_bin;

-- The password is compared byte for byte, letter case and trailing blanks included.
CREATE TABLE IF NOT EXISTS settings (
    name VARCHAR(64) NOT NULL PRIMARY KEY,
    value LONGTEXT
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4 COLLATE = utf8mb4_nopad_bin;

-- Due dates of extended loans: one row per extension of a lending.
CREATE TABLE IF NOT EXISTS loan_terms (
    order_id BIGINT NOT NULL,
    seq BIGINT NOT NULL,
    book_id BIGINT,
    date_out DATE,
    due_date DATE NOT NULL,
    extended_on DATE NOT NULL,
    PRIMARY KEY (order_id, seq)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4 COLLATE = utf8mb4_nopad_bin;

-- The register of readers; a loan names its reader by her name, as always.
CREATE TABLE IF NOT EXISTS readers (
    id BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY,
    card_number VARCHAR(64) NOT NULL,
    full_name LONGTEXT NOT NULL,
    name_key VARCHAR(255) NOT NULL,
    category LONGTEXT,
    department LONGTEXT,
    phone LONGTEXT,
    email LONGTEXT,
    address LONGTEXT,
    registered_on DATE,
    valid_until DATE,
    blocked BIGINT DEFAULT 0,
    block_reason LONGTEXT,
    note LONGTEXT,
    pin_hash LONGTEXT,
    UNIQUE KEY readers_card (card_number),
    UNIQUE KEY readers_name (name_key)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4 COLLATE = utf8mb4_nopad_bin;

INSERT IGNORE INTO v_itemkind (id, itemkind_name, description) VALUES (1, 'Книги', 'Книги и брошюры');
INSERT IGNORE INTO v_itemkind (id, itemkind_name, description) VALUES (2, 'Журналы', 'Периодические издания');
INSERT IGNORE INTO v_itemkind (id, itemkind_name, description) VALUES (3, 'Диссертации', 'Диссертации и авторефераты');
INSERT IGNORE INTO v_itemkind (id, itemkind_name, description) VALUES (4, 'Электронные издания', 'Диски и файлы');
INSERT IGNORE INTO settings (name, value) VALUES ('password', '');

-- Lower-cases Cyrillic (Ё included) and Latin letters; NULL gives the empty text.
CREATE OR REPLACE FUNCTION my_lower(s LONGTEXT CHARSET utf8mb4) RETURNS LONGTEXT CHARSET utf8mb4
    DETERMINISTIC NO SQL
    RETURN IFNULL(LOWER(s), '');
