CREATE TABLE every_type (id INT NOT NULL, part SMALLINT NOT NULL, big BIGINT, ubig BIGINT UNSIGNED,
  amount DECIMAL(10,2), wide DECIMAL(30,4), ratio DOUBLE, f FLOAT, born DATE, stamp DATETIME, ts TIMESTAMP NULL,
  code CHAR(5), title VARCHAR(40), kind ENUM('a','bb'), tags SET('x','y'), notes TEXT, doc JSON,
  raw VARBINARY(8), pic BLOB, flag BIT(1), t TIME, y YEAR,
  PRIMARY KEY (id, part), UNIQUE KEY uq_code (code), KEY ix_born (born, title)) DEFAULT CHARSET=utf8mb4;
INSERT INTO every_type VALUES
  (1, 1, -9223372036854775808, 18446744073709551615, -12345678.90, 123456789012345678901234.5678, 0.1, 1.5,
    '2024-02-29', '2024-02-29 13:45:10', '2024-03-01 00:00:01', 'abé', 'Müller & Söhne €',
    'bb', 'x,y', 'line\nbreak', '{"k": [1, 2]}', 0x00FF10, 0xDEADBEEF, b'1', '-838:59:59', 2155),
  (1, 2, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
    NULL, NULL, NULL),
  (2, 1, 42, 0, 0.05, 0, -2.5e-300, -0.25, '1000-01-01', '9999-12-31 23:59:59', '1970-01-02 00:00:00', 'z', '',
    'a', '', '', 'null', '', '', b'0', '13:45:00', 1901);
