#!/usr/bin/env python3
"""Writes the report templates into data/docs.

Run from anywhere: python3 tools/templates/make_templates.py [output-dir]
The rows of the results table are sized so that they line up with the bands of the
chart image (1207 px high) shown beside the table.
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_OUT = os.path.normpath(os.path.join(HERE, "..", "..", "data", "docs"))

# Display positions of each band, the height of the heading row above it and the
# heights of its rows (px); they add up to the chart's band geometry.
BANDS = [
    (range(0, 7), 21, [18, 18, 18, 18, 18, 18, 17]),
    (range(7, 30), 22, [18] * 20 + [17] * 3),
    (range(30, 37), 22, [18, 18, 18, 18, 18, 18, 17]),
    (range(37, 41), 21, [18] * 4),
    (range(41, 48), 20, [18, 18, 18, 18, 18, 18, 17]),
    (range(48, 53), 20, [18] * 5),
    (range(53, 56), 21, [18, 18, 17]),
    (range(56, 57), 21, [16]),
]
HEADER_HEIGHT = 22
SUM_POSITION = 57

TEXT = {
    "eng": {
        "lang": "en",
        "title": "Microbial markers by mass spectrometry",
        "subtitle": "Laboratory report",
        "code": "Analysis code",
        "sample": "Material",
        "sample_value": "Microbial markers $TypeProbe",
        "patient": "Patient",
        "no": "No.",
        "marker": "Marker",
        "result": "Result",
        "reference": "Reference",
        "deviation": "Result &minus; reference",
        "bands": [
            "Aerobic gram-positive bacteria",
            "Anaerobic bacteria",
            "Actinobacteria",
            "Enteric bacteria",
            "Gram-negative bacteria",
            "Fungi and mycobacteria",
            "Viruses",
            "Chlamydiae",
        ],
        "chart": "Chart: blue &mdash; result, grey &mdash; reference; rows numbered as in the table.",
        "diff_title": "Deviation from reference",
        "diff_chart": "Bars to the right: result above reference; to the left: below it. "
                      "Rows numbered as in the results table.",
        "note_ref": "Highlighted in yellow: result at least twice the reference.",
        "note_noref": "Highlighted markers are listed in the conclusion.",
        "note_max": "10000000+ : the value is at or above the upper limit of measurement.",
        "conclusion": "Conclusion",
        "performed": "Performed by, date",
        "signature": "Signature",
        "disclaimer": "The results refer only to the sample tested. "
                      "Interpretation is the responsibility of the attending physician.",
    },
    "rus": {
        "lang": "ru",
        "title": "Микробные маркеры методом масс-спектрометрии",
        "subtitle": "Результаты лабораторного исследования",
        "code": "Код анализа",
        "sample": "Материал",
        "sample_value": "Микробные маркеры $TypeProbe",
        "patient": "Пациент",
        "no": "№",
        "marker": "Маркер",
        "result": "Результат",
        "reference": "Норма",
        "deviation": "Результат &minus; норма",
        "bands": [
            "Аэробные грамположительные бактерии",
            "Анаэробные бактерии",
            "Актинобактерии",
            "Кишечные бактерии",
            "Грамотрицательные бактерии",
            "Грибы и микобактерии",
            "Вирусы",
            "Хламидии",
        ],
        "chart": "Диаграмма: синий &mdash; результат, серый &mdash; норма; "
                 "строки пронумерованы как в таблице.",
        "diff_title": "Отклонение от нормы",
        "diff_chart": "Столбцы вправо: результат выше нормы; влево: ниже нормы. "
                      "Строки пронумерованы как в таблице результатов.",
        "note_ref": "Жёлтым выделены маркеры, результат которых не менее чем вдвое выше нормы.",
        "note_noref": "Выделенные маркеры перечислены в заключении.",
        "note_max": "10000000+ : значение на верхней границе диапазона измерения или выше.",
        "conclusion": "Заключение",
        "performed": "Исполнитель, дата",
        "signature": "Подпись",
        "disclaimer": "Результаты относятся только к исследованному образцу. "
                      "Интерпретацию проводит лечащий врач.",
    },
}

# The page is laid out 1160 px wide plus the print padding; printing shrinks that to the
# A4 width, which gives a page about 1740 px high: room for the header, the 1207 px chart with its
# table, the notes and a conclusion naming every marker with the signature, so that
# those follow the results and never start a page alone.
STYLE = """<style type="text/css">
@page { size: A4 portrait; margin: 12mm 10mm 12mm 10mm; }
html, body { margin: 0; padding: 0; background: #ffffff; color: #000000; }
/* The page is wider than the body, so the body's right padding would not count. */
@media print { body { padding: 28px 0 28px 36px; } .page { padding-right: 36px; } }
body { font-family: 'Times New Roman', 'Liberation Serif', serif; font-size: 15px; }
.page { width: 1160px; margin: 0 auto; }
table.head { width: 100%; border-collapse: collapse; border-bottom: 2px solid #000000;
    margin-bottom: 8px; }
table.head td { vertical-align: bottom; padding: 0 0 4px 0; }
table.head h1 { font-size: 26px; margin: 0; }
table.head .subtitle { font-size: 17px; }
table.identity { border-collapse: collapse; margin-left: auto; }
table.identity th { text-align: left; font-weight: bold; padding: 1px 12px 1px 0; }
table.identity td { padding: 1px 0; font-size: 17px; }
.block { page-break-inside: avoid; }
table.layout { border-collapse: collapse; page-break-inside: avoid; }
table.layout > tbody > tr > td { vertical-align: top; padding: 0; }
table.results { border-collapse: collapse; page-break-inside: avoid; table-layout: fixed; }
table.results th, table.results td { border: 1px solid #7f7f7f; padding: 0 4px;
    font-size: 14px; line-height: 15px; white-space: nowrap; overflow: hidden; }
table.results th { background: #dcdcdc; font-weight: bold; }
table.results td.no { text-align: right; }
table.results td.num { text-align: right; }
table.results tr.section td { background: #efefef; font-weight: bold; font-style: italic; }
table.results tr.sum td { border-top: 2px solid #000000; font-weight: bold; height: 20px; }
table.layout > tbody > tr > td.chart { padding: 0 0 0 8px; }
td.chart img { display: block; }
.caption { font-size: 14px; margin: 2px 0; }
.notes { font-size: 14px; margin: 2px 0; }
.closing { page-break-inside: avoid; }
.conclusion { margin-top: 8px; border: 1px solid #000000; padding: 6px 8px; }
.conclusion h2 { font-size: 18px; margin: 0 0 4px 0; }
.conclusion p { font-size: 16px; margin: 0; line-height: 19px; }
table.sign { width: 100%; margin-top: 8px; }
table.sign td { font-size: 16px; padding: 4px 0; }
.line { display: inline-block; width: 240px; border-bottom: 1px solid #000000; }
.disclaimer { font-size: 13px; margin-top: 6px; color: #333333; }
.newpage { page-break-before: always; }
h2.part { font-size: 20px; margin: 0 0 6px 0; }
</style>"""

# The line under the heading that marks an amended report. A first version fills it with
# nothing, and then it takes no space. Black on light grey, so it prints in black and white too.
# The page has no room to spare for the longest conclusion, so with the line shown the gaps of
# the closing part shrink by about the line's height: the conclusion still ends the page.
AMENDMENT_STYLE = """<style type="text/css">
.amendment { font-size: 14px; line-height: 16px; font-weight: bold; border: 1px solid #000000;
    background: #eeeeee; padding: 2px 6px; margin: -4px 0 4px 0; word-wrap: break-word; }
.amendment:empty { display: none; }
.amendment:not(:empty) ~ .notes { margin: 0; }
.amendment:not(:empty) ~ .closing .conclusion { margin-top: 2px; padding: 3px 8px; }
.amendment:not(:empty) ~ .closing .conclusion h2 { margin-bottom: 1px; }
.amendment:not(:empty) ~ .closing table.sign { margin-top: 0; }
.amendment:not(:empty) ~ .closing table.sign td { padding: 1px 0; }
.amendment:not(:empty) ~ .closing .disclaimer { margin-top: 2px; }
</style>"""


def nn(p):
    return "%02d" % p


def head(lang, title, styles=(STYLE,)):
    return [
        "<!DOCTYPE html>",
        '<html lang="%s">' % lang,
        "<head>",
        '<meta charset="utf-8">',
        '<meta http-equiv="Content-Type" content="text/html; charset=utf-8">',
        "<title>%s</title>" % title,
    ] + list(styles) + [
        "</head>",
        "<body>",
        '<div class="page">',
    ]


def marker_rows(columns, span, bands, sum_label=True):
    """Rows of a results table.  columns: list of (kind) per data column after
    No. and Marker: 'res', 'nor' or 'dev'.  bands: heading texts, or None for a
    plain listing.  span: width of a heading row."""
    out = []
    for index, (positions, heading_height, heights) in enumerate(BANDS):
        if bands is not None:
            out.append('<tr class="section" style="height:%dpx"><td colspan="%d">%s</td></tr>'
                       % (heading_height, span, bands[index]))
        for p, h in zip(positions, heights):
            cells = ['<td class="no">%d</td>' % (p + 1), "<td>$Name%s</td>" % nn(p)]
            for kind in columns:
                if kind == "res":
                    cells.append('<td class="num" bgcolor="$Color%s">$Res%s</td>' % (nn(p), nn(p)))
                elif kind == "nor":
                    cells.append('<td class="num">$Nor%s</td>' % nn(p))
                else:
                    cells.append('<td class="num">$_Nor%s</td>' % nn(p))
            out.append('<tr style="height:%dpx">%s</tr>' % (h if bands is not None else 18,
                                                             "".join(cells)))
    p = SUM_POSITION
    cells = ["<td></td>", "<td>$Name%s</td>" % nn(p)]
    for kind in columns:
        name = {"res": "$Res", "nor": "$Nor", "dev": "$_Nor"}[kind]
        cells.append('<td class="num">%s%s</td>' % (name, nn(p)))
    out.append('<tr class="sum">%s</tr>' % "".join(cells))
    return out


def results_table(t, columns, widths):
    headers = [t["no"], t["marker"]] + [t[{"res": "result", "nor": "reference",
                                            "dev": "deviation"}[c]] for c in columns]
    out = ['<table class="results">', "<colgroup>"]
    out += ['<col style="width:%dpx">' % w for w in widths]
    out += ["</colgroup>", "<thead>",
            '<tr style="height:%dpx">%s</tr>' % (HEADER_HEIGHT,
                                                 "".join("<th>%s</th>" % h for h in headers)),
            "</thead>", "<tbody>"]
    out += marker_rows(columns, len(headers), t["bands"])
    out += ["</tbody>", "</table>"]
    return out


def closing(t):
    """Conclusion, signature and disclaimer: kept together, right after the last results."""
    return [
        '<div class="closing">',
        '<div class="conclusion">',
        "<h2>%s</h2>" % t["conclusion"],
        "<p>$Conclusion</p>",
        "</div>",
        '<table class="sign"><tr>',
        "<td>%s: $OperatorAndDate</td>" % t["performed"],
        '<td style="text-align:right">%s: <span class="line">&nbsp;</span></td>' % t["signature"],
        "</tr></table>",
        '<div class="disclaimer">%s</div>' % t["disclaimer"],
        "</div>",
    ]


def language_template(kind, ttype):
    """Types 1 and 2: one page. Type 3: the table with the overview chart on page 1,
    the deviation table and chart with the conclusion on page 2."""
    t = TEXT[kind]
    out = head(t["lang"], t["title"], (STYLE, AMENDMENT_STYLE))
    out += [
        '<table class="head"><tr>',
        '<td><h1>%s</h1><div class="subtitle">%s</div></td>' % (t["title"], t["subtitle"]),
        '<td><table class="identity">',
        "<tr><th>%s:</th><td><b>$ProbeID</b></td></tr>" % t["code"],
        "<tr><th>%s:</th><td>%s</td></tr>" % (t["sample"], t["sample_value"]),
        "<tr><th>%s:</th><td>$PatientID</td></tr>" % t["patient"],
        "</table></td>",
        "</tr></table>",
        # No white space inside, so that an empty line is :empty.
        '<div class="amendment">$Amendment</div>',
        '<div class="block">',
        '<table class="layout"><tbody><tr><td>',
    ]
    out += results_table(t, ["res", "nor"], [36, 300, 100, 100])
    chart_width = 520 if ttype != 2 else 550
    out += [
        "</td>",
        '<td class="chart"><img src="$Image0.bmp" width="%d" height="1207" alt=""></td>'
        % chart_width,
        "</tr></tbody></table>",
        '<div class="caption">%s</div>' % t["chart"],
        "</div>",
        '<div class="notes">%s<br>%s</div>' % (t["note_noref"] if ttype == 2 else t["note_ref"],
                                             t["note_max"]),
    ]
    if ttype == 3:
        out += [
            '<div class="newpage block">',
            '<h2 class="part">%s &mdash; $ProbeID</h2>' % t["diff_title"],
            '<table class="layout"><tbody><tr><td>',
        ]
        out += results_table(t, ["dev"], [36, 300, 140])
        out += [
            "</td>",
            '<td class="chart"><img src="$Image1.bmp" width="550" height="1207" alt=""></td>',
            "</tr></tbody></table>",
            '<div class="caption">%s</div>' % t["diff_chart"],
        ]
        out += closing(t)
        out += ["</div>"]
    else:
        out += closing(t)
    out += ["</div>", "</body>", "</html>", ""]
    return "\n".join(out)


def full_table_template(ttype):
    """Technical listing of every marker row in table order, for checking a run."""
    title = "Marker table, all rows / Таблица маркеров, все строки"
    out = head("en", title)
    columns = ["res", "nor"] + (["dev"] if ttype == 3 else [])
    headers = ["Row / Строка", "Marker / Маркер", "Result / Результат", "Reference / Норма"]
    if ttype == 3:
        headers.append("Result &minus; reference / Результат &minus; норма")
    widths = [70, 260, 130, 130] + ([190] if ttype == 3 else [])
    out += [
        '<div class="head">',
        "<h1>%s</h1>" % title,
        '<div class="subtitle">Template type %d / Тип шаблона %d</div>' % (ttype, ttype),
        "</div>",
        '<p class="notes">Operator, date / Оператор, дата: $OperatorAndDate</p>',
        '<div class="block">',
        '<table class="results">', "<colgroup>",
    ]
    out += ['<col style="width:%dpx">' % w for w in widths]
    out += ["</colgroup>", "<thead>",
            "<tr>%s</tr>" % "".join("<th>%s</th>" % h for h in headers),
            "</thead>", "<tbody>"]
    out += marker_rows(columns, len(headers), None)
    out += ["</tbody>", "</table>", "</div>",
            '<div class="notes">Highlighted: significant result. / '
            "Выделены значимые результаты.<br>%s</div>" % TEXT["eng"]["note_max"]]
    if ttype == 3:
        out += [
            '<div class="newpage block">',
            '<h2 class="part">Deviation chart (rows numbered in report order) / '
            "Диаграмма отклонений (нумерация строк как в отчёте)</h2>",
            '<img src="$Image1.bmp" width="550" height="1207" alt="">',
            "</div>",
        ]
    out += ["</div>", "</body>", "</html>", ""]
    return "\n".join(out)


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_OUT
    os.makedirs(out_dir, exist_ok=True)
    files = {}
    for ttype in (1, 2, 3):
        for kind in ("eng", "rus"):
            files["Shablon_type_%d_%s.html" % (ttype, kind)] = language_template(kind, ttype)
        files["Shablon_type_%d.html" % ttype] = full_table_template(ttype)
    for name, text in sorted(files.items()):
        with open(os.path.join(out_dir, name), "w", encoding="utf-8", newline="\n") as f:
            f.write(text)
        print(os.path.join(out_dir, name))


if __name__ == "__main__":
    main()
