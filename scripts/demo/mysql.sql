-- The demo's MySQL tables: a small trading business. Many column types, NULLs, text beyond
-- ASCII that code page 1252 still holds, binary values, and order_lines with 100,000 rows so
-- that a copy has something to show on the progress bar. The rows come from MariaDB's
-- sequence tables (seq_1_to_N), so that the file stays short.

CREATE TABLE customers (
  customer_id INT UNSIGNED NOT NULL PRIMARY KEY,
  company VARCHAR(60) NOT NULL,
  contact VARCHAR(40) NULL,
  city VARCHAR(40) NOT NULL,
  country CHAR(2) NOT NULL,
  phone VARCHAR(24) NULL,
  customer_since DATE NOT NULL,
  credit_limit DECIMAL(12,2) NULL,
  active TINYINT(1) NOT NULL DEFAULT 1,
  notes TEXT NULL
) DEFAULT CHARSET=utf8mb4;

INSERT INTO customers VALUES
  (1, 'Café Lumière', 'Hélène Dupré', 'Lyon', 'FR', '+33 4 72 10 20 30', '2015-03-02', 25000.00, 1,
   'Pays à 30 jours. Livraison le matin, «avant 9h».'),
  (2, 'Müller & Söhne GmbH', 'Jürgen Müller', 'Köln', 'DE', '+49 221 555 0101', '2012-11-19', 120000.00, 1,
   'Großkunde: Rabatt 3 % ab 5.000 €.'),
  (3, 'Smørrebrød ApS', NULL, 'Århus', 'DK', NULL, '2019-06-30', NULL, 1, NULL),
  (4, 'Niño Azul S.L.', 'José Peña', 'Málaga', 'ES', '+34 952 00 11 22', '2021-01-15', 8000.50, 1,
   'Pedidos por teléfono.\r\nNo enviar en agosto.'),
  (5, 'Zürcher Uhren AG', 'Beat Känzig', 'Zürich', 'CH', '+41 44 123 45 67', '2010-08-01', 250000.00, 0,
   'Closed its account in 2023; keep for the records.'),
  (6, 'Þórsdóttir ehf', 'Guðrún Þórsdóttir', 'Reykjavík', 'IS', '+354 555 1234', '2018-04-04', 15000.00, 1,
   NULL),
  (7, 'Œuvres Complètes SARL', 'François Lefèvre', 'Paris', 'FR', NULL, '2016-09-12', 40000.00, 1,
   'Ask for “Monsieur Lefèvre” — not the front desk.'),
  (8, 'Ålesund Sjømat AS', 'Øystein Ås', 'Ålesund', 'NO', '+47 70 10 20 30', '2020-02-29', 60000.00, 1,
   'Fresh fish only on Tuesdays.'),
  (9, 'Brasserie „Zum Löwen“', 'Anna Weiß', 'Wien', 'AT', '+43 1 234 5678', '2014-12-24', 9999.99, 1,
   'Weihnachtsbestellung jedes Jahr am 1. Dezember.'),
  (10, 'O''Reilly Provisions Ltd', 'Siobhán O''Reilly', 'Cork', 'IE', '+353 21 123 4567', '2022-07-07', 0.00, 1,
   'Prices quoted in £ until the switch; now in €.'),
  (11, 'São Bento Importações', NULL, 'Porto', 'PT', NULL, '2023-05-18', NULL, 1, ''),
  (12, 'Nordic Trade™ Oy', 'Mikko Häkkinen', 'Turku', 'FI', '+358 2 555 6677', '2017-10-10', 33000.00, 1,
   'Ships via Åbo harbour.');

CREATE TABLE products (
  product_id SMALLINT UNSIGNED NOT NULL PRIMARY KEY,
  name VARCHAR(80) NOT NULL,
  category ENUM('Beverages', 'Dairy', 'Bakery', 'Produce', 'Seafood') NOT NULL,
  unit_price DECIMAL(10,2) NOT NULL,
  weight_kg FLOAT NULL,
  in_stock MEDIUMINT NOT NULL,
  introduced YEAR NULL,
  discontinued BIT(1) NOT NULL DEFAULT b'0',
  labels SET('organic', 'fair trade', 'local', 'frozen') NULL,
  barcode BINARY(8) NULL,
  picture BLOB NULL
) DEFAULT CHARSET=utf8mb4;

INSERT INTO products (product_id, name, category, unit_price, weight_kg, in_stock, introduced,
                      discontinued, labels) VALUES
  (1, 'Café au lait, 1 kg', 'Beverages', 14.90, 1, 320, 2015, b'0', 'fair trade'),
  (2, 'Earl Grey tea, 250 g', 'Beverages', 6.75, 0.25, 1200, 2012, b'0', 'organic,fair trade'),
  (3, 'Crème fraîche 30 %', 'Dairy', 2.35, 0.2, 85, 2018, b'0', 'local'),
  (4, 'Gruyère AOP, aged 12 months', 'Dairy', 24.50, 1.5, 40, NULL, b'0', NULL),
  (5, 'Pain de campagne', 'Bakery', 3.20, 0.8, 0, 2020, b'1', 'local'),
  (6, 'Brezel (Laugengebäck)', 'Bakery', 0.95, 0.09, 500, 2019, b'0', NULL),
  (7, 'Jalapeño peppers', 'Produce', 4.10, 0.5, 60, 2021, b'0', 'organic'),
  (8, 'Piñones (pine nuts)', 'Produce', 39.00, 0.25, 18, 2016, b'0', NULL),
  (9, 'Smoked salmon — Ålesund', 'Seafood', 18.40, 0.3, 75, 2020, b'0', 'frozen'),
  (10, 'Crevettes grises', 'Seafood', 22.00, NULL, 12, 2017, b'0', 'frozen,local'),
  (11, 'Bière blonde 33 cl', 'Beverages', 1.60, 0.5, 2400, 2014, b'0', NULL),
  (12, 'Skyr, plain', 'Dairy', 2.95, 0.5, 150, 2022, b'0', 'local'),
  (13, 'Stollen €-Edition', 'Bakery', 12.00, 1, 0, 2023, b'1', NULL),
  (14, 'Kartoffeln „Linda“', 'Produce', 1.85, 2.5, 900, NULL, b'0', 'organic,local'),
  (15, 'Bacalhau (salt cod)', 'Seafood', 27.30, 1, 35, 2019, b'0', NULL),
  (16, 'Ginger ale', 'Beverages', 1.25, 0.33, 0, 2013, b'0', NULL),
  (17, 'Mascarpone', 'Dairy', 3.40, 0.25, 64, 2018, b'0', NULL),
  (18, 'Croissant au beurre', 'Bakery', 1.10, 0.06, 300, 2015, b'0', 'local'),
  (19, 'Pommes « Reinette »', 'Produce', 2.60, 1, 410, 2016, b'0', 'organic'),
  (20, 'Rollmöpse', 'Seafood', 5.90, 0.4, 90, NULL, b'0', NULL),
  (21, 'Mineral water, 6 × 1.5 l', 'Beverages', 3.30, 9, 700, 2011, b'0', NULL),
  (22, 'Queso manchego', 'Dairy', 16.80, 1, 28, 2019, b'0', NULL),
  (23, 'Knäckebröd', 'Bakery', 2.15, 0.25, 220, 2017, b'0', NULL),
  (24, 'Champignons de Paris', 'Produce', 3.75, 0.5, 95, 2021, b'0', 'local');

-- Binary values: a barcode of eight bytes and a picture of 8 to 104 bytes, with every kind
-- of byte (zero, quote, backslash, line breaks, 0xFF) for some product or other.
UPDATE products SET barcode = UNHEX(LEFT(SHA2(name, 256), 16)), picture = CONCAT(
  X'89504E470D0A1A0A', UNHEX(SHA2(name, 256)), IF(product_id % 3 = 0, UNHEX(SHA2(name, 512)), ''))
  WHERE product_id NOT IN (5, 13);
UPDATE products SET picture = X'00275C0D0A1AFF22' WHERE product_id = 13;

CREATE TABLE orders (
  order_id INT NOT NULL PRIMARY KEY,
  customer_id INT UNSIGNED NOT NULL,
  ordered_at DATETIME NOT NULL,
  shipped_at TIMESTAMP NULL,
  delivery_window TIME NULL,
  freight DOUBLE NULL,
  status ENUM('open', 'shipped', 'cancelled') NOT NULL,
  priority TINYINT NOT NULL,
  tracking BIGINT UNSIGNED NULL,
  ship_note VARCHAR(200) NULL
) DEFAULT CHARSET=utf8mb4;

INSERT INTO orders
SELECT seq,
       1 + seq * 7 % 12,
       '2023-01-02 08:00:00' + INTERVAL seq * 263 MINUTE,
       IF(seq % 10 < 8, '2023-01-03 10:30:00' + INTERVAL seq * 263 MINUTE, NULL),
       IF(seq % 4 = 0, NULL, SEC_TO_TIME(28800 + seq % 9 * 1800)),
       IF(seq % 25 = 0, NULL, ROUND(4.5 + seq % 97 * 1.37, 2)),
       CASE WHEN seq % 10 < 8 THEN 'shipped' WHEN seq % 10 = 8 THEN 'open' ELSE 'cancelled' END,
       seq % 3,
       IF(seq % 10 < 8, 10000000000000000000 + seq * 7919, NULL),
       ELT(1 + seq % 6, NULL, 'Leave at the back door', 'Fragile — handle with care',
           'Rückruf vor Lieferung', 'Livraison après 14 h', NULL)
FROM seq_1_to_2000;

CREATE TABLE order_lines (
  line_id INT UNSIGNED NOT NULL PRIMARY KEY,
  order_id INT NOT NULL,
  product_id SMALLINT UNSIGNED NOT NULL,
  quantity SMALLINT NOT NULL,
  unit_price DECIMAL(10,2) NOT NULL,
  discount DOUBLE NOT NULL,
  packed_on DATE NULL
) DEFAULT CHARSET=utf8mb4;

INSERT INTO order_lines
SELECT s.seq,
       1 + (s.seq - 1) DIV 50,
       p.product_id,
       1 + s.seq * 7 % 40,
       p.unit_price,
       IF(s.seq % 9 = 0, 0.05, 0),
       IF(s.seq % 13 = 0, NULL, DATE('2023-01-03') + INTERVAL (s.seq - 1) DIV 50 * 263 DIV 1440 DAY)
FROM seq_1_to_100000 AS s JOIN products AS p ON p.product_id = 1 + s.seq % 24;
