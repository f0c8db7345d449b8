-- Brings a catalogue made on a MariaDB server by an older creation script up to today's: text that
-- compares byte for byte (utf8mb4_nopad_bin) and holds any length (LONGTEXT), 64-bit numbers, in
-- tables that take part in transactions (InnoDB: a restore that fails leaves nothing half done). Each
-- column keeps its place and its data; run it once with the catalogue's database chosen, e.g.
--     mariadb -u root -p library < upgrade_db.sql
-- while no copy of the program is working on the catalogue. Run again, it changes nothing.
ALTER DATABASE CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin;

ALTER TABLE books
    ENGINE = InnoDB,
    DEFAULT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY id BIGINT NOT NULL AUTO_INCREMENT,
    MODIFY inv_num BIGINT,
    MODIFY author LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY title LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY date_reg DATE,
    MODIFY source LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY location LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY publisher LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY year_p BIGINT,
    MODIFY page_count BIGINT,
    MODIFY price DOUBLE,
    MODIFY add_num LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY liter LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY notes LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY itemkind_id BIGINT,
    MODIFY onloan BIGINT DEFAULT 0,
    MODIFY isbn LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY rubric LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY loaner LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY date_out DATE,
    MODIFY annotation LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY file LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin;

ALTER TABLE orders
    ENGINE = InnoDB,
    DEFAULT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY id BIGINT NOT NULL AUTO_INCREMENT,
    MODIFY book_id BIGINT,
    MODIFY loaner LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY date_out DATE,
    MODIFY date_in DATE,
    MODIFY status BIGINT DEFAULT 0,
    MODIFY cost BIGINT DEFAULT 0;

ALTER TABLE categories
    ENGINE = InnoDB,
    DEFAULT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY id BIGINT NOT NULL AUTO_INCREMENT,
    MODIFY title LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY parent BIGINT DEFAULT 0,
    MODIFY has_children BIGINT DEFAULT 0;

ALTER TABLE keywords
    ENGINE = InnoDB,
    DEFAULT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY id BIGINT NOT NULL AUTO_INCREMENT,
    MODIFY keyword LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY book_id BIGINT;

ALTER TABLE v_itemkind
    ENGINE = InnoDB,
    DEFAULT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY id BIGINT NOT NULL AUTO_INCREMENT,
    MODIFY itemkind_name LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY description LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin;

ALTER TABLE settings
    ENGINE = InnoDB,
    DEFAULT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY name VARCHAR(64) CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin NOT NULL,
    MODIFY value LONGTEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin;

ALTER TABLE IF EXISTS loan_terms
    ENGINE = InnoDB,
    DEFAULT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin,
    MODIFY order_id BIGINT NOT NULL,
    MODIFY seq BIGINT NOT NULL,
    MODIFY book_id BIGINT,
    MODIFY date_out DATE,
    MODIFY due_date DATE NOT NULL,
    MODIFY extended_on DATE NOT NULL;

-- The register of readers, when the catalogue has none yet (the program makes it too, the first
-- time it opens the catalogue in edit mode).
CREATE TABLE IF NOT EXISTS readers (
    id BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY, card_number VARCHAR(64) NOT NULL, full_name LONGTEXT NOT NULL,
    name_key VARCHAR(255) NOT NULL, category LONGTEXT, department LONGTEXT, phone LONGTEXT, email LONGTEXT,
    address LONGTEXT, registered_on DATE, valid_until DATE, blocked BIGINT DEFAULT 0, block_reason LONGTEXT,
    note LONGTEXT, pin_hash LONGTEXT, UNIQUE KEY readers_card (card_number), UNIQUE KEY readers_name (name_key)
) ENGINE = InnoDB DEFAULT CHARSET = utf8mb4 COLLATE = utf8mb4_nopad_bin;
ALTER TABLE readers ENGINE = InnoDB;

-- The lending desk finds a holding by its inventory number alone (the program makes it too, the
-- first time it opens the catalogue in edit mode).
CREATE INDEX IF NOT EXISTS books_inv_num ON books (inv_num);

-- Other libraries ask the Z39.50 target for a book by its ISBN (the program makes it too, the
-- first time it opens the catalogue in edit mode).
CREATE INDEX IF NOT EXISTS books_isbn ON books (isbn(32));
