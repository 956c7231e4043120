#!/usr/bin/env bash
# Every text of the client's window, dialogs and messages has a finished
# English translation: the texts are extracted from the sources afresh
# (lupdate, into a copy of the translation file) and none may come out new,
# unfinished or empty.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../../libTavloClient" && pwd)
TMP=${TAVLO_TEST_TMP:-$(mktemp -d)}
mkdir -p "$TMP"
command -v lupdate >/dev/null || { echo "SKIP: lupdate is missing (scripts/setup installs it)"; exit 77; }
cp "$src/ui/translations/tavlo_en.ts" "$TMP/tavlo_en.ts"
(cd "$src" && lupdate -no-obsolete -locations none -source-language zh_CN -target-language en \
  -I . ui cast tavlo utils log -ts "$TMP/tavlo_en.ts" >"$TMP/lupdate.log" 2>&1)
python3 - "$TMP/tavlo_en.ts" "$src/ui/translations/tavlo_en.ts" <<'PY'
import sys
import xml.etree.ElementTree as ET
fresh, kept = (ET.parse(p).getroot() for p in sys.argv[1:3])
def messages(root):
    for context in root.findall("context"):
        for message in context.findall("message"):
            yield context.find("name").text, message
problems = []
for context, message in messages(fresh):
    source = message.find("source").text
    translation = message.find("translation")
    forms = [f.text for f in translation.findall("numerusform")] or [translation.text]
    if translation.get("type") in ("unfinished", "vanished", "obsolete") or not all(forms):
        problems.append(f"{context}: {source!r}")
count = lambda root: sum(1 for _ in messages(root))
if count(fresh) != count(kept):
    problems.append(f"the translation file holds {count(kept)} texts, the sources {count(fresh)}: "
                    "run scripts/update-translations")
if problems:
    print("FAIL: texts without an English translation:")
    print("\n".join("  " + p for p in problems))
    sys.exit(1)
print(f"PASS: all {count(fresh)} texts of the window have an English translation")
PY
