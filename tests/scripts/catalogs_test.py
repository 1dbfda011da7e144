#!/usr/bin/env python3
"""The installer's texts through scripts/catalogs.py: NSIS strings read and written back
unchanged, what NSIS fills in kept by every translation, and every language's texts written."""
import contextlib
import io
import os
import shutil
import sys
import tempfile

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..')
sys.path.insert(0, os.path.join(root, 'scripts'))
import catalogs  # noqa: E402

rc, nsi, podir = (os.path.join(root, p) for p in ('res/memvale.rc', 'installer/memvale.nsi', 'po'))
failures = []

texts = catalogs.read_nsi(nsi)
for text in [t.msgid for t in texts] + ['50 $ "off"\tnow\n$1 costs $$1 and ${KEY}']:
    references = set(catalogs.NSIS_REFERENCE.findall(text)) - {'$$1'}
    back = catalogs.nsis_text(catalogs.nsis_literal(text, references)[1:-1])
    if back != text:
        failures.append('round trip of %r gave %r' % (text, back))
# A dollar the English does not fill in is a dollar, never a variable.
if catalogs.nsis_literal('$1 $INSTDIR', {'$1'}) != '"$1 $$INSTDIR"':
    failures.append('a translation\'s own $INSTDIR was left for NSIS to fill in')

# A translation that drops the other copy's path, or adds a variable, fails the check.
with tempfile.TemporaryDirectory() as scratch:
    shutil.copy(os.path.join(podir, 'languages.txt'), scratch)
    with open(os.path.join(podir, 'de.po'), encoding='utf-8') as f:
        german = f.read()
    # The msgstr's line with the path: the last such line, after the msgid's.
    before, _, after = german.rpartition('"$1\\n"\n')
    for wrong in ('"\\n"\n', '"$INSTDIR $1\\n"\n'):
        with open(os.path.join(scratch, 'de.po'), 'w', encoding='utf-8') as f:
            f.write(before + wrong + after)
        report = io.StringIO()
        with contextlib.redirect_stdout(report):
            catalogs.check(rc, nsi, scratch)
        if 'OtherCopyRunning' not in report.getvalue() or 'placeholders' not in report.getvalue():
            failures.append('check let %r through' % wrong)

    # Every language NSIS has gets every text; Kazakh, which it lacks, none.
    out = os.path.join(scratch, 'texts.nsh')
    catalogs.write_nsis(nsi, podir, out)
    with open(out, encoding='utf-8') as f:
        written = f.read()
    for code, name in catalogs.NsisLanguages.items():
        if written.count('${LANG_%s} ' % name.upper()) != len(texts):
            failures.append('%s: not every installer text written' % code)
    if 'Kazak' in written:
        failures.append('Kazakh written though NSIS has no pages for it')

for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
