#!/usr/bin/python3
"""Prints the statements that make the demo's free FoxPro tables, one a line, for foxsql:

    scripts/demo/foxpro.py | build/foxsql FOLDER

suppliers and price_list are small and hold most column types, NULLs, text beyond ASCII within
code page 1252 and binary values; stock_moves has 20,000 rows, so that a copy to MySQL has
something to show on the progress bar. The same rows come out at every run.
"""

SUPPLIERS = [
    (1, "Fromagerie Dubois", "Élise Dubois", "Annecy", "France", "4.5", "+33 4 50 11 22 33",
     "2011-05-03", "2024-02-12 09:15:00", True, "Gruyère, Comté et Reblochon.\r\nCommande le lundi."),
    (2, "Bäckerei Groß", "Jörg Groß", "München", "Deutschland", "3.8", None, "2015-09-21", None, False,
     None),
    (3, "Fiskehuset Ålesund", None, "Ålesund", "Norge", None, "+47 70 12 34 56", "2019-01-07",
     "2024-03-01 06:45:00", True, "Skrei i sesongen — januar til april."),
    (4, "Hacienda La Peña", "María Núñez", "Jerez", "España", "4.9", "+34 956 12 34 56", "2008-11-30",
     "2023-12-20 17:30:00", True, "Vinos y aceites; pago a 60 días."),
    (5, "Þingvellir Dairy", "Sigurður Ólafsson", "Selfoss", "Ísland", "4.1", None, "2020-06-17", None,
     False, "Skyr «hreint» only."),
    (6, "Tea & Co. Ltd", "Nigel O'Brien", "London", "United Kingdom", "3.0", "+44 20 7946 0000",
     "2013-02-14", "2024-01-05 11:00:00", False, "Prices in £; invoices in €."),
]

PRICES = [
    ("CAF-1KG", "Café au lait, 1 kg", "14.9000", "1", "2024-01-01", True, "89504E470D0A1A0A0000000D"),
    ("TEA-EG", "Earl Grey „Classic“", "6.7500", "0.25", "2024-01-01", None, None),
    ("CHE-GRU", "Gruyère AOP", "24.5000", "1.5", "2023-10-15", False, "FFD8FFE000104A464946"),
    ("BRD-CAM", "Pain de campagne", "3.2000", None, "2024-02-01", True, None),
    ("FSH-SAL", "Smoked salmon — Ålesund", "18.4000", "0.3", "2023-12-01", False, "00275C0D0A1AFF22"),
    ("WIN-OLO", "Oloroso, 75 cl", "21.0000", "1.3", "2022-06-30", None, "474946383961"),
]

WAREHOUSES = ["Köln", "Lyon", "Malmö", "Porto", "Zürich"]
REMARKS = [None, "Counted twice", "Damaged — 1 box", "Retour client", "Inventur 2023", None, None]


def text(value):
    return ".NULL." if value is None else "'" + value.replace("'", "''").replace("\r", "'+CHR(13)+'").replace(
        "\n", "'+CHR(10)+'") + "'"


def number(value):
    return ".NULL." if value is None else value


def logical(value):
    return ".NULL." if value is None else (".T." if value else ".F.")


def date(value):
    return ".NULL." if value is None else "{^" + value + "}"


def binary(value):
    return ".NULL." if value is None else "0h" + value


def main():
    print("CREATE TABLE suppliers (id I, name C(40), contact V(40) NULL, city C(30), country C(20), "
          "rating N(3,1) NULL, phone C(20) NULL, joined D, last_call T NULL, preferred L, notes M NULL)")
    for (i, name, contact, city, country, rating, phone, joined, last_call, preferred, notes) in SUPPLIERS:
        print(f"INSERT INTO suppliers VALUES({i}, {text(name)}, {text(contact)}, {text(city)}, {text(country)}, "
              f"{number(rating)}, {text(phone)}, {date(joined)}, {date(last_call)}, {logical(preferred)}, "
              f"{text(notes)})")

    print("CREATE TABLE price_list (code C(10), product V(60), price Y, weight_kg B NULL, valid_from D, "
          "on_sale L NULL, label W NULL)")
    for (code, product, price, weight, valid_from, on_sale, label) in PRICES:
        print(f"INSERT INTO price_list VALUES({text(code)}, {text(product)}, {price}, {number(weight)}, "
              f"{date(valid_from)}, {logical(on_sale)}, {binary(label)})")

    print("CREATE TABLE stock_moves (move_id I, moved_at T, product C(10), quantity N(8,0), "
          "unit_cost N(10,2), warehouse C(12), remark V(50) NULL)")
    for k in range(1, 20001):
        code, _, price = PRICES[k % len(PRICES)][:3]
        minutes = k * 26
        moved_at = f"2023-{1 + minutes // 43200 % 12:02d}-{1 + minutes // 1440 % 28:02d} " \
                   f"{minutes // 60 % 24:02d}:{minutes % 60:02d}:00"
        quantity = (k * 37 % 200) - 60
        cost = f"{float(price) * (0.55 + k % 7 / 100):.2f}"
        print(f"INSERT INTO stock_moves VALUES({k}, {{^{moved_at}}}, {text(code)}, {quantity}, {cost}, "
              f"{text(WAREHOUSES[k % len(WAREHOUSES)])}, {text(REMARKS[k % len(REMARKS)])})")


if __name__ == "__main__":
    main()
