#!/usr/bin/env bash
# Collects every message id of the sources into a template catalog (default: po/default.pot).
# Texts passed to Translate or marked with Caption, and the literal captions given to the Qt
# setters and constructors the window uses, which its walk translates when it is built.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-po/default.pot} # relative to the repository
files=$(mktemp) log=$(mktemp)
trap 'rm -f "$files" "$log"' EXIT
keywords=(
    Translate QTranslate Tr Caption
    setText setTitle setWindowTitle setToolTip setPlaceholderText addItem
    setTabText:2 addTab:2 insertTab:3
    QLabel QPushButton QCheckBox QRadioButton QGroupBox
)
args=()
for k in "${keywords[@]}"; do args+=("--keyword=$k"); done
find src -name '*.cpp' -o -name '*.h' | LC_ALL=C sort > "$files"
# Drop xgettext's advice that does not apply here: setText("") is common and harmless, and
# there is no address for bug reports on message ids.
xgettext --language=C++ --from-code=UTF-8 --keyword "${args[@]}" --package-name=Brevanta \
    --sort-by-file --files-from="$files" --output="$out" 2>"$log" || { cat "$log" >&2; exit 1; }
grep -v -e 'Empty msgid' -e 'gettext("") returns' -e 'meta information, not the empty' \
    -e 'msgid-bugs-address' -e 'Makevars' -e 'MSGID_BUGS_ADDRESS' "$log" >&2 || true
