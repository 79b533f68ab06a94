#!/usr/bin/env python3
"""Writes the seed corpus of the parser's fuzz target: every rule-language file of the end-to-end
cases (not the .hyp, .obs, .plan and .sql files), one file per distinct text, named by its hash.

    parser_seed_corpus.py DIR"""

import hashlib, os, sys

from robustness_fuzz import load_cases

OTHER_LANGUAGES = (".hyp", ".obs", ".plan", ".sql")

def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    texts = {text for _, files in load_cases() for name, text in files if not name.endswith(OTHER_LANGUAGES)}
    for text in texts:
        data = text.encode("utf-8", errors="surrogateescape")
        with open(os.path.join(out, hashlib.sha1(data).hexdigest()), "wb") as f:
            f.write(data)
    print("%d seed inputs" % len(texts))

if __name__ == "__main__":
    main()
