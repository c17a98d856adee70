"""Checks Norvane's vCards against an independent parser, Debian's python3-vobject.

  make CARDS JSON    write cards with vobject, and the six values Norvane must read from them
  read CARDS JSON    parse an export of Norvane's with vobject; its cards must hold the values
"""
import json
import sys

import vobject


def cards_made_by_vobject():
    made = []
    people = [
        ("Ayşe Öztürk", "Öztürk", "Ayşe", ["+90 532 111 22 33", "0212-555-0101"],
         "ayse@example.org", ("1 Main St", "Leith", "", "EH6 7AA", "UK"), "Acme, Ltd"),
        ("Frank O'Neil", "O'Neil", "Frank", ["555-0100"], "frank@example.com",
         ("12; Rue des Fleurs", "Paris", "IDF", "75001", "France"), "Fleurs; Co"),
        ("Zoë Ægir", "Ægir", "Zoë", [], "", ("", "", "", "", ""), ""),
    ]
    for fn, family, given, tels, email, (street, city, region, code, country), org in people:
        card = vobject.vCard()
        card.add("n").value = vobject.vcard.Name(family=family, given=given)
        card.add("fn").value = fn
        for number in tels:
            tel = card.add("tel")
            tel.value = number
            tel.type_param = "CELL"
        if email:
            card.add("email").value = email
        if street or city:
            card.add("adr").value = vobject.vcard.Address(
                street=street, city=city, region=region, code=code, country=country)
        if org:
            card.add("org").value = [org]
        card.add("note").value = "kept, with a comma; and a semicolon"
        made.append((card.serialize(), {
            "name": fn,
            "address": ", ".join(p for p in (street, city, region, code, country) if p),
            "contact": "\n".join(tels),
            "email": email,
            "company": org,
        }))
    return made


def text_of(component, name):
    child = getattr(component, name, None)
    return child.value if child is not None else ""


def values_of(card):
    address = ""
    if hasattr(card, "adr"):
        adr = card.adr.value
        if isinstance(adr, str):
            parts = adr.split(";")
        else:
            parts = [adr.box, adr.extended, adr.street, adr.city, adr.region, adr.code,
                     adr.country]
        address = ", ".join(p if isinstance(p, str) else " ".join(p) for p in parts if p)
    org = text_of(card, "org")
    return {
        "name": text_of(card, "fn"),
        "address": address,
        "contact": "\n".join(t.value for t in card.contents.get("tel", [])),
        "email": text_of(card, "email"),
        "company": ", ".join(org) if isinstance(org, list) else org,
    }


def main():
    mode, cards_path, json_path = sys.argv[1:4]
    if mode == "make":
        made = cards_made_by_vobject()
        with open(cards_path, "w", encoding="utf-8", newline="") as out:
            out.write("".join(text for text, _ in made))
        with open(json_path, "w", encoding="utf-8") as out:
            json.dump([values for _, values in made], out)
        return 0
    with open(json_path, encoding="utf-8") as f:
        expected = json.load(f)
    with open(cards_path, encoding="utf-8") as f:
        cards = list(vobject.readComponents(f.read()))
    read = [values_of(card) for card in cards]
    for card in cards:
        for needed in ("uid", "rev", "prodid", "n", "fn"):
            if not hasattr(card, needed):
                print(f"FAIL: a card without {needed.upper()}: {text_of(card, 'fn')}")
                return 1
        if text_of(card, "note") != "kept, with a comma; and a semicolon":
            print(f"FAIL: NOTE not kept whole: {text_of(card, 'note')!r}")
            return 1
    if read != expected:
        print("FAIL: vobject reads other values")
        print(" read:    ", read)
        print(" expected:", expected)
        return 1
    print(f"vobject: {len(read)} cards read with the same values")
    return 0


if __name__ == "__main__":
    sys.exit(main())
