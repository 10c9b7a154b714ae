#!/usr/bin/env python3
# Writes the seeds of fuzz_line_colouring into fuzz/seeds/line_colouring/: a byte that chooses
# the document type (low two bits: XML, DTD, JSON, plain text) and how often lines are cut
# besides the line feeds (the other six bits, 0 for never), then a small document.
import os

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "line_colouring")

XML, DTD, JSON, PLAIN = range(4)

SEEDS = {
    "xml_element": (XML, 3, b'<?xml version="1.0"?>\n<a b="1" c=\'2\'>text<b/>\n</a>\n'),
    "xml_constructs": (XML, 1, b'<!-- c\n-- -->\n<?p a?b\n??><![CDATA[x]\n]]]]>'
                               b'<![CDAX[<!-x</ a>< b/ x="1\n2">'),
    "xml_doctype": (XML, 5, b'<!DOCTYPE r SYSTEM "r.dtd" [\n<!ELEMENT r (a|b)*>\n'
                            b'<!ATTLIST r id ID #REQUIRED>\n<!ENTITY % e \'x\'>%e;\n]>\n<r/>'),
    "dtd": (DTD, 2, b'<!ELEMENT x (#PCDATA|y)+>\n<![INCLUDE[<!ELEMENT y EMPTY>]]>\n'
                    b'<!-- c --><?pi x?>] ]]x <!ENTITY a "b\nc">'),
    "json": (JSON, 4, b'{"a": [1, -2.5e+3, true, false, null], "b" :\n"x\\"y",\n'
                      b' "c": {"d": tru, "e": 01x}} // c\n/* d\n*/'),
    "json_minified": (JSON, 7, b'{"name":"x","list":[{"k":1},{"k":2}],"s":"\\u00e9"}'),
    "controls": (XML, 1, b'<a\x01b="\x02\xc2\x85">\x0b\x7f\xc0\x8a\t\r\n\x00x\x00'),
    "invalid": (JSON, 2, b'["a\x80b", 1\xff, "\xe2\x82", \xf0\x9f\x98]'),
    "plain": (PLAIN, 3, 'plain text \u00e9\u20ac\U0001F600\n\x01\x7f'.encode() + b'\xc2\x9f\xff\r\n'),
}

os.makedirs(OUT, exist_ok=True)
for name, (kind, step, text) in SEEDS.items():
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(bytes([kind | step << 2]) + text)
