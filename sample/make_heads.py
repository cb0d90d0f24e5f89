#!/usr/bin/env python3
"""Writes numindex.csv: DEMONSTRATION number heads for the sample database.

The heads are made up: each city gets a few blocks of ten consecutive heads
under prefixes of every carrier. They are not a real registry; only the card
type follows the carrier that owns each prefix.
"""
import csv
import random

# Prefix -> card type key (1 mobile, 2 unicom, 3 telecom, 4..6 virtual, 7 broadcast).
CARRIERS = {
    "134": "1", "135": "1", "136": "1", "137": "1", "138": "1", "139": "1",
    "150": "1", "151": "1", "158": "1", "182": "1", "187": "1", "198": "1",
    "130": "2", "131": "2", "132": "2", "155": "2", "156": "2", "186": "2",
    "133": "3", "153": "3", "177": "3", "180": "3", "189": "3", "199": "3",
    "192": "7",
}
VIRTUAL = {"1700": "4", "1709": "5", "1705": "6"}

def main():
    rng = random.Random(20261208)
    with open("city.csv", encoding="utf-8") as f:
        cities = [int(row["index"]) for row in csv.DictReader(f)]
    prefixes = sorted(CARRIERS)
    blocks = [(p, b) for p in prefixes for b in range(1000)]
    rng.shuffle(blocks)
    rows = []
    pick = iter(blocks)
    for city in cities:
        for _ in range(5):
            prefix, block = next(pick)
            for k in range(10):
                rows.append((f"{prefix}{block:03d}{k}", city, CARRIERS[prefix]))
        head4 = list(VIRTUAL)[city % len(VIRTUAL)]
        rows.append((f"{head4}{city:02d}0", city, VIRTUAL[head4]))
    rows.sort()
    with open("numindex.csv", "w", encoding="utf-8", newline="") as f:
        out = csv.writer(f, lineterminator="\n")
        out.writerow(["head", "index", "cardtype"])
        out.writerows(rows)

if __name__ == "__main__":
    main()
