-- The catalogue's tables. Positions of the columns of books (0 to 21) and of categories (0 to 3)
-- are read by number in the program: keep the order.
CREATE TABLE books (
    id INTEGER PRIMARY KEY,
    inv_num INTEGER,
    author TEXT,
    title TEXT,
    date_reg DATE,
    source TEXT,
    location TEXT,
    publisher TEXT,
    year_p INTEGER,
    page_count INTEGER,
    price REAL,
    add_num TEXT,
    liter TEXT,
    notes TEXT,
    itemkind_id INTEGER,
    onloan INTEGER DEFAULT 0,
    isbn TEXT,
    rubric TEXT,
    loaner TEXT,
    date_out DATE,
    annotation TEXT,
    file TEXT
);
CREATE INDEX books_itemkind ON books (itemkind_id, inv_num);
-- Periods are ranges of receipt and lending dates: the reports and period views read them in order.
CREATE INDEX books_date_reg ON books (date_reg, itemkind_id);
-- The lending desk finds a holding by its inventory number alone, whatever its kind.
CREATE INDEX books_inv_num ON books (inv_num);
-- Other libraries ask the Z39.50 target for a book by its ISBN.
CREATE INDEX books_isbn ON books (isbn);

CREATE TABLE orders (
    id INTEGER PRIMARY KEY,
    book_id INTEGER,
    loaner TEXT,
    date_out DATE,
    date_in DATE,
    status INTEGER DEFAULT 0,
    cost INTEGER DEFAULT 0
);
CREATE INDEX orders_book ON orders (book_id);
CREATE INDEX orders_dates ON orders (date_out, date_in);
-- The reader list of the card reads the first readers in order and stops there.
CREATE INDEX orders_loaner ON orders (loaner);

CREATE TABLE categories (
    id INTEGER PRIMARY KEY,
    title TEXT,
    parent INTEGER DEFAULT 0,
    has_children INTEGER DEFAULT 0
);
CREATE INDEX categories_parent ON categories (parent);

CREATE TABLE keywords (
    id INTEGER PRIMARY KEY,
    keyword TEXT,
    book_id INTEGER
);
CREATE INDEX keywords_book ON keywords (book_id);
CREATE INDEX keywords_keyword ON keywords (keyword);

CREATE TABLE v_itemkind (
    id INTEGER PRIMARY KEY,
    itemkind_name TEXT,
    description TEXT
);

CREATE TABLE settings (
    name TEXT PRIMARY KEY,
    value TEXT
);

-- Due dates of extended loans, beside the loans: one row per extension of a lending (seq counts
-- them), its holding and lending date copied so that a loan row changed or reused later does not
-- take it over. A loan never extended is due its lending date plus its request kind's period.
CREATE TABLE loan_terms (
    order_id BIGINT NOT NULL,
    seq INT NOT NULL,
    book_id BIGINT,
    date_out DATE,
    due_date DATE NOT NULL,
    extended_on DATE NOT NULL,
    PRIMARY KEY (order_id, seq)
);

-- The register of readers. A loan names its reader by her name (orders.loaner), as always; a
-- name is one reader whatever its letter case, Ё or blanks (name_key).
CREATE TABLE readers (id INTEGER PRIMARY KEY, card_number TEXT NOT NULL, full_name TEXT NOT NULL, name_key TEXT NOT NULL,
    category TEXT, department TEXT, phone TEXT, email TEXT, address TEXT, registered_on DATE, valid_until DATE,
    blocked INTEGER DEFAULT 0, block_reason TEXT, note TEXT, pin_hash TEXT);
CREATE UNIQUE INDEX IF NOT EXISTS readers_card ON readers (card_number);
CREATE UNIQUE INDEX IF NOT EXISTS readers_name ON readers (name_key);
