#!/usr/bin/env python3
"""Reads a CSV file as a spreadsheet program would (UTF-8 with BOM) and prints its rows as JSON."""
import csv
import json
import sys

with open(sys.argv[1], newline="", encoding="utf-8-sig") as f:
    rows = list(csv.reader(f))
json.dump(rows, sys.stdout, ensure_ascii=False)
