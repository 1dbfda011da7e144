#!/usr/bin/env python3
"""Memvale's translations: the English texts of res/memvale.rc and of the installer's script, the
gettext template made from them, the per-language resources and installer texts made from
po/<language>.po, and the check of every catalog.

  catalogs.py pot   RC NSI POT             write the template from the English texts
  catalogs.py build RC PODIR OUT.rc OUT.h  write the per-language string tables and their index
  catalogs.py nsis  NSI PODIR OUT.nsh      write the installer's languages and their texts
  catalogs.py check RC NSI PODIR           fail on any catalog that is not complete and sound

Dialogs and menus keep one template each; their texts in another language are string-table
entries numbered from a base per template plus the control's (or menu item's) index in template
order, which the program puts into the dialog or menu after creating or loading it.
"""
import os
import re
import subprocess
import sys
import tempfile

# Template texts take string ids from here on, TemplateStride ids per template.
TemplateTextsFirst = 0xC000
TemplateStride = 0x40

# Dialog statements whose first argument is the control's text; the others have none.
TextStatements = {'CONTROL', 'LTEXT', 'RTEXT', 'CTEXT', 'PUSHBUTTON', 'DEFPUSHBUTTON', 'GROUPBOX',
                  'CHECKBOX', 'AUTOCHECKBOX', 'RADIOBUTTON', 'AUTORADIOBUTTON', 'STATE3',
                  'AUTO3STATE', 'PUSHBOX', 'ICON'}
PlainStatements = {'EDITTEXT', 'COMBOBOX', 'LISTBOX', 'SCROLLBAR'}
# Controls whose template text nobody reads.
SilentClasses = {'msctls_hotkey32', 'msctls_progress32', 'msctls_trackbar32', 'ComboBox', 'Edit'}

TOKEN = re.compile(r'"(?:[^"\\]|\\.|"")*"|[A-Za-z_][A-Za-z0-9_]*|0[xX][0-9A-Fa-f]+|\d+|\S')
# A line up to its comment: a "//" inside a string is text, not a comment.
CODE = re.compile(r'(?:"(?:[^"\\]|\\.|"")*"|[^"/]|/(?!/))*')


def code_of(line):
    return CODE.match(line).group(0)


def rc_string(token):
    """The text of an rc string literal: "" is a quote, and C escapes as windres reads them."""
    body = token[1:-1].replace('""', '"')
    return re.sub(r'\\(.)', lambda m: {'n': '\n', 't': '\t', '\\': '\\', '"': '"'}.get(m.group(1), m.group(0)), body)


def rc_literal(text):
    return '"' + text.replace('\\', '\\\\').replace('\n', '\\n').replace('\t', '\\t').replace('"', '""') + '"'


def split_args(tokens):
    args, current = [], []
    for token in tokens:
        if token == ',':
            args.append(current)
            current = []
        else:
            current.append(token)
    args.append(current)
    return args


def has_words(text):
    """Whether a text is for reading: a figure the program fills in later (\"0.0 MB\") is not."""
    return any(c.isalpha() for c in text) and not re.fullmatch(r'[\d.,%()\s-]*[KMG]?B', text)


class Text:
    def __init__(self, context, msgid, comment, line, template=None, index=None, string_id=None,
                 source='res/memvale.rc'):
        self.context, self.msgid, self.comment, self.line = context, msgid, comment, line
        self.source = source
        self.template, self.index, self.string_id = template, index, string_id


def read_rc(path):
    """The English texts and the templates, in file order: (texts, templates), where templates
    lists (kind, name) for every dialog and menu."""
    with open(path, 'rb') as f:
        data = f.read()
    try:
        lines = data.decode('utf-8').split('\n')
    except UnicodeDecodeError:
        lines = data.decode('cp1252').split('\n')
    texts, templates = [], []
    # Statements, each with its first line number: a line starting with a keyword opens one.
    i = 0
    while i < len(lines):
        words = lines[i].split()
        if len(words) >= 2 and words[1] in ('DIALOG', 'DIALOGEX'):
            i = read_dialog(lines, i, words[0], texts, templates)
        elif len(words) >= 2 and words[1] in ('MENU', 'MENUEX'):
            i = read_menu(lines, i, words[0], texts, templates)
        elif words and words[0] == 'STRINGTABLE':
            i = read_stringtable(lines, i, texts)
        else:
            i += 1
    return texts, templates


def block(lines, i):
    """The lines between the BEGIN after line i and its END, and the line after that END."""
    while lines[i].strip() not in ('BEGIN', '{'):
        i += 1
    depth, body, i = 1, [], i + 1
    while depth:
        word = lines[i].strip()
        if word in ('BEGIN', '{'):
            depth += 1
        elif word in ('END', '}'):
            depth -= 1
        if depth:
            body.append((i + 1, lines[i]))
        i += 1
    return body, i


def read_dialog(lines, i, name, texts, templates):
    base = TemplateTextsFirst + len(templates) * TemplateStride
    templates.append(('dialog', name))
    body, after = block(lines, i)
    statements = []
    for number, line in body:
        tokens = TOKEN.findall(code_of(line))
        if not tokens:
            continue
        if tokens[0] in TextStatements or tokens[0] in PlainStatements:
            statements.append((number, tokens))
        elif statements:
            statements[-1][1].extend(tokens)
    for index, (number, tokens) in enumerate(statements):
        keyword, args = tokens[0], split_args(tokens[1:])
        if keyword not in TextStatements or not args[0][0].startswith('"'):
            continue
        text = rc_string(args[0][0])
        control = args[1][0] if args[1][0] != '-' else 'static'
        if keyword == 'CONTROL':
            kind = rc_string(args[2][0]) if args[2][0].startswith('"') else args[2][0]
            width = args[6] if len(args) > 6 else None
        else:
            kind = keyword
            width = args[4] if len(args) > 4 else None
        if kind in SilentClasses or not has_words(text):
            continue
        if control == 'static':
            control = kind.lower()
        comment = 'width %s dialog units' % ''.join(width) if width else ''
        texts.append(Text('%s/%s' % (name, control), text, comment, number, name, index, base + index))
    return after


def read_menu(lines, i, name, texts, templates):
    base = TemplateTextsFirst + len(templates) * TemplateStride
    templates.append(('menu', name))
    body, after = block(lines, i)
    index = 0
    for number, line in body:
        tokens = TOKEN.findall(code_of(line))
        if not tokens or tokens[0] not in ('POPUP', 'MENUITEM'):
            continue
        if tokens[1].startswith('"'):
            text = rc_string(tokens[1])
            args = split_args(tokens[2:])
            item = args[1][0] if len(args) > 1 and args[1] else 'popup'
            if has_words(text):
                texts.append(Text('menu/%s' % item, text, 'menu item', number, name, index,
                                  base + index))
        index += 1
    return after


def read_stringtable(lines, i, texts):
    body, after = block(lines, i)
    entries = []
    for number, line in body:
        tokens = TOKEN.findall(code_of(line))
        if tokens and not tokens[0].startswith('"'):
            entries.append((number, tokens))
        elif tokens and entries:
            entries[-1][1].extend(tokens)
    for number, tokens in entries:
        strings = [t for t in tokens if t.startswith('"')]
        text = ''.join(rc_string(t) for t in strings)
        comment = ''
        # The string's own comment line above says where it is shown and its limit.
        above = lines[number - 2].strip()
        if above.startswith('//'):
            comment = above[2:].strip()
        texts.append(Text(tokens[0], text, comment, number, string_id=tokens[0]))
    return after


# NSIS's names of the shipped languages. Kazakh has none: the installer shows Russian on a Kazakh
# Windows, whose base language it is.
NsisLanguages = {
    'ar': 'Arabic', 'bg': 'Bulgarian', 'ca': 'Catalan', 'cs': 'Czech', 'da': 'Danish',
    'de': 'German', 'el': 'Greek', 'es': 'Spanish', 'fa': 'Farsi', 'fi': 'Finnish',
    'fr': 'French', 'he': 'Hebrew', 'hu': 'Hungarian', 'id': 'Indonesian', 'it': 'Italian',
    'ja': 'Japanese', 'ko': 'Korean', 'nb': 'Norwegian', 'nl': 'Dutch', 'pl': 'Polish',
    'pt': 'Portuguese', 'pt-BR': 'PortugueseBR', 'ro': 'Romanian', 'ru': 'Russian',
    'sk': 'Slovak', 'sr': 'SerbianLatin', 'sv': 'Swedish', 'th': 'Thai', 'tr': 'Turkish',
    'uk': 'Ukrainian', 'vi': 'Vietnamese', 'zh-CN': 'SimpChinese', 'zh-TW': 'TradChinese',
}
NSIS_STRING = re.compile(r'LangString\s+(\w+)\s+\$\{LANG_ENGLISH\}\s+"((?:[^"$]|\$\\.|\$.)*)"\s*$')
# What NSIS fills in: a variable ($1, $INSTDIR) or a define (${SETTINGS_KEY}).
NSIS_REFERENCE = re.compile(r'\$(?:\{\w+\}|\w+)')


def nsis_text(body):
    """The text of an NSIS string's body, its escapes read."""
    return re.sub(r'\$(\\.|\$)', lambda m: {'$\\r': '', '$\\n': '\n', '$\\t': '\t', '$\\"': '"',
                                             '$$': '$'}.get(m.group(0), m.group(0)), body)


def nsis_literal(text, references):
    """An NSIS string of text: what NSIS would fill in stays only where the English has it, any
    other dollar is a dollar."""
    text = re.sub(r'\$(?:\{\w+\}|\w+)?',
                  lambda m: m.group(0) if m.group(0) in references else '$' + m.group(0), text)
    text = text.replace('"', '$\\"').replace('\t', '$\\t').replace('\r', '')
    return '"' + text.replace('\n', '$\\r$\\n') + '"'


def read_nsi(path):
    """The installer's English texts: its LangStrings for English, each with the comment lines
    above it for the translators. A line ending in a backslash goes on in the next."""
    with open(path, encoding='utf-8') as f:
        lines = f.read().split('\n')
    texts, comment, i = [], [], 0
    while i < len(lines):
        number, line = i + 1, lines[i]
        while line.endswith('\\') and i + 1 < len(lines):
            i += 1
            line = line[:-1] + lines[i]
        i += 1
        match = NSIS_STRING.match(line.strip())
        if match:
            texts.append(Text('installer/' + match.group(1), nsis_text(match.group(2)),
                              ' '.join(comment), number, source='installer/memvale.nsi'))
        comment = comment + [line.strip()[1:].strip()] if line.startswith(';') else []
    return texts


def write_nsis(nsi, podir, out):
    """The MUI languages after English and each one's LangStrings, from the catalogs."""
    texts = read_nsi(nsi)
    languages = [(code, NsisLanguages[code]) for code, _ in shipped(podir) if code in NsisLanguages]
    lines = ['; Made by scripts/catalogs.py from po/*.po: edit the catalogs, not this file.']
    lines += ['!insertmacro MUI_LANGUAGE "%s"' % name for _, name in languages]
    for code, name in languages:
        catalog = read_po(os.path.join(podir, code + '.po'))
        lines.append('')
        for t in texts:
            msgstr, fuzzy, obsolete = catalog.get((t.context, t.msgid), ('', False, False))
            text = msgstr if msgstr and not fuzzy and not obsolete else t.msgid
            lines.append('LangString %s ${LANG_%s} %s' % (
                t.context.split('/')[1], name.upper(),
                nsis_literal(text, set(NSIS_REFERENCE.findall(t.msgid)))))
    write_if_changed(out, '\n'.join(lines) + '\n')


def po_quote(text):
    text = text.replace('\\', '\\\\').replace('"', '\\"').replace('\t', '\\t')
    if '\n' in text:
        parts = text.split('\n')
        pieces = [p + '\\n' for p in parts[:-1]] + ([parts[-1]] if parts[-1] else [])
        return '""\n' + '\n'.join('"%s"' % p for p in pieces)
    return '"%s"' % text


def unique(texts):
    seen, result = set(), []
    for t in texts:
        if (t.context, t.msgid) not in seen:
            seen.add((t.context, t.msgid))
            result.append(t)
    return result


def write_pot(rc, nsi, out):
    texts = read_rc(rc)[0] + read_nsi(nsi)
    entries = ['msgid ""\nmsgstr ""\n"Project-Id-Version: Memvale\\n"\n'
               '"Content-Type: text/plain; charset=UTF-8\\n"\n"Content-Transfer-Encoding: 8bit\\n"\n']
    for t in unique(texts):
        entry = ''
        if t.comment:
            entry += '#. %s\n' % t.comment
        entry += '#: %s:%d\n' % (t.source, t.line)
        entry += 'msgctxt %s\nmsgid %s\nmsgstr ""\n' % (po_quote(t.context), po_quote(t.msgid))
        entries.append(entry)
    write_if_changed(out, '\n'.join(entries))


def po_unquote(lines):
    text = ''.join(re.match(r'\s*"(.*)"\s*$', l).group(1) for l in lines)
    return re.sub(r'\\(.)', lambda m: {'n': '\n', 't': '\t', '\\': '\\', '"': '"'}.get(m.group(1), m.group(0)), text)


def read_po(path):
    """The catalog's entries: {(context, msgid): (msgstr, fuzzy, obsolete)}."""
    entries = {}
    with open(path, encoding='utf-8') as f:
        chunks = f.read().split('\n\n')
    for chunk in chunks:
        lines = [l for l in chunk.strip().split('\n') if l]
        obsolete = any(l.startswith('#~') for l in lines)
        lines = [l[2:].lstrip() if l.startswith('#~') else l for l in lines]
        fuzzy = any(l.startswith('#,') and 'fuzzy' in l for l in lines)
        fields, current = {}, None
        for l in lines:
            if l.startswith('#'):
                continue
            m = re.match(r'(msgctxt|msgid|msgstr)\s+(".*")\s*$', l)
            if m:
                current = m.group(1)
                fields[current] = [m.group(2)]
            elif current:
                fields[current].append(l)
        if 'msgid' not in fields:
            continue
        msgid = po_unquote(fields['msgid'])
        if not msgid:
            continue
        context = po_unquote(fields['msgctxt']) if 'msgctxt' in fields else ''
        entries[(context, msgid)] = (po_unquote(fields.get('msgstr', ['""'])), fuzzy, obsolete)
    return entries


def read_languages(podir):
    """The languages a catalog may be written for: code -> (primary, sublanguage, own name)."""
    languages = {}
    with open(os.path.join(podir, 'languages.txt'), encoding='utf-8') as f:
        for line in f:
            if line.strip() and not line.startswith('#'):
                code, primary, sub, own = line.split(None, 3)
                languages[code] = (primary, sub, own.strip())
    return languages


def shipped(podir):
    languages = read_languages(podir)
    codes = sorted(f[:-3] for f in os.listdir(podir) if f.endswith('.po'))
    return [(c, languages.get(c)) for c in codes]


def c_string(text):
    """A wide C string literal of text in plain ASCII: other characters as \\x escapes, each
    ended where a hex digit follows."""
    out, escaped = '', False
    for c in text:
        if ' ' <= c < '\x7f' and c not in '"\\':
            out += ('" L"' if escaped and c in '0123456789abcdefABCDEF' else '') + c
            escaped = False
        else:
            out += '\\x%04x' % ord(c)
            escaped = True
    return 'L"' + out + '"'


def build(rc, podir, out_rc, out_h):
    texts, templates = read_rc(rc)
    rc_lines = ['// Made by scripts/catalogs.py from po/*.po: edit the catalogs, not this file.',
                '#pragma code_page(65001)', '#include <windows.h>', '#include "resource.h"', '']
    h_lines = ['// Made by scripts/catalogs.py: the templates\' first text ids and the shipped '
               'languages.', '#pragma once', '#include <windows.h>', '#include "res/resource.h"', '',
               'struct TemplateTexts {', '    bool Menu;', '    UINT Template;', '    UINT FirstText;',
               '};', 'const TemplateTexts TemplateTextsTable[] = {']
    for number, (kind, name) in enumerate(templates):
        h_lines.append('    {%s, %s, 0x%X},' % ('true' if kind == 'menu' else 'false', name,
                                                TemplateTextsFirst + number * TemplateStride))
    h_lines += ['};', '', 'struct ShippedLanguage {', '    const wchar_t *Name;', '    LANGID Id;',
                '    const wchar_t *OwnName;', '};',
                'const ShippedLanguage ShippedLanguages[] = {',
                '    {L"en", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), L"English"},']
    # English too: a switch back to English puts the templates' own texts in again.
    rc_lines += ['LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US', 'STRINGTABLE', 'BEGIN']
    rc_lines += ['    0x%X, %s' % (t.string_id, rc_literal(t.msgid)) for t in texts if t.template]
    rc_lines += ['END', '']
    for code, language in shipped(podir):
        if language is None:
            sys.exit('po/%s.po: no line for "%s" in po/languages.txt' % (code, code))
        primary, sub, own = language
        catalog = read_po(os.path.join(podir, code + '.po'))
        rc_lines += ['LANGUAGE %s, %s' % (primary, sub), 'STRINGTABLE', 'BEGIN']
        for t in texts:
            msgstr, fuzzy, obsolete = catalog.get((t.context, t.msgid), ('', False, False))
            if msgstr and not fuzzy and not obsolete:
                rc_lines.append('    %s, %s' % (t.string_id if isinstance(t.string_id, str)
                                                else '0x%X' % t.string_id, rc_literal(msgstr)))
        rc_lines += ['END', '']
        h_lines.append('    {L"%s", MAKELANGID(%s, %s), %s},' % (code, primary, sub, c_string(own)))
    h_lines += ['};', '']
    write_if_changed(out_rc, '\n'.join(rc_lines))
    write_if_changed(out_h, '\n'.join(h_lines))


def placeholders(text):
    """What a translation must keep: %1..%9, %% and what the installer fills in, each counted,
    and one access key or none."""
    marks = sorted(re.findall(r'%[1-9%]', text) + NSIS_REFERENCE.findall(text))
    keys = len(re.findall(r'&[^&]', text.replace('&&', '')))
    return marks, keys


def check(rc, nsi, podir):
    texts = read_rc(rc)[0] + read_nsi(nsi)
    wanted = {(t.context, t.msgid) for t in texts}
    faults = []
    for code, language in shipped(podir):
        path = os.path.join(podir, code + '.po')
        if language is None:
            faults.append('%s: no line for "%s" in po/languages.txt' % (path, code))
        result = subprocess.run(['msgfmt', '--check', '-o', os.devnull, path],
                                capture_output=True, text=True)
        if result.returncode:
            faults.append('%s: msgfmt --check: %s' % (path, result.stderr.strip()))
        catalog = read_po(path)
        for key in sorted(wanted - set(catalog)):
            faults.append('%s: missing %s %r' % (path, key[0], key[1]))
        for key, (msgstr, fuzzy, obsolete) in sorted(catalog.items()):
            where = '%s: %s %r' % (path, key[0], key[1])
            if key not in wanted or obsolete:
                faults.append(where + ': obsolete')
            elif fuzzy:
                faults.append(where + ': fuzzy')
            elif not msgstr:
                faults.append(where + ': untranslated')
            elif placeholders(msgstr) != placeholders(key[1]):
                faults.append(where + ': placeholders or access key differ in %r' % msgstr)
    for fault in faults:
        print(fault)
    return 1 if faults else 0


def write_if_changed(path, content):
    """Writes only a changed file, so that a rebuild compiles only what changed."""
    if os.path.exists(path):
        with open(path, encoding='utf-8') as f:
            if f.read() == content:
                return
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, 'w', encoding='utf-8', newline='\n') as f:
        f.write(content)


if __name__ == '__main__':
    command = sys.argv[1] if len(sys.argv) > 1 else ''
    if command == 'pot' and len(sys.argv) == 5:
        write_pot(*sys.argv[2:])
    elif command == 'build' and len(sys.argv) == 6:
        build(*sys.argv[2:])
    elif command == 'nsis' and len(sys.argv) == 5:
        write_nsis(*sys.argv[2:])
    elif command == 'check' and len(sys.argv) == 5:
        sys.exit(check(*sys.argv[2:]))
    else:
        sys.exit(__doc__)
