#!/usr/bin/env python3
# Writes the seeds of fuzz_xml_scanner into fuzz/seeds/xml_scanner/: a byte that chooses the
# peeking pattern, then a small document covering one group of constructs.
import os

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "xml_scanner")

SEEDS = {
    "element": (0, b'<?xml version="1.0"?>\n<a b="1" c=\'2\'>text<b/>\n</a>\n'),
    "comments_pi": (3, b'<!-- c -- - --><?p a?b??><a><!----></a>'),
    "cdata": (5, b'<a><![CDATA[x]y]]z]]]]><![CDATA[]]><![CDAX[</a>'),
    "doctype": (1, b'<!DOCTYPE r SYSTEM "r.dtd" [\n<!ELEMENT r (a|b)*>\n'
                   b'<!ATTLIST r id ID #REQUIRED v (1|2) "1">\n<!ENTITY % e \'x\'>%e;\n]>\n<r/>'),
    "dtd": (2, b'<!ELEMENT x (#PCDATA|y)+>\n<![INCLUDE[<!ELEMENT y EMPTY>]]>\n'
               b'<![ %d; [<!ENTITY a "b">]]>] ]]x'),
    "blanks": (7, b'< a></ a><a / //><>< 1>a < b'),
    "stray": (4, b'<a 1b="x" $ ; <b =c>!@#$%^&*()'),
    "unterminated": (6, b'<a b="x\n<!-- y\n<?z'),
    "utf8": (0, '<é ü="€">😀 中文</é>'.encode() + b'\xC0\xBC\xED\xA0\x80\xF4\x90\x80\x80'),
    "invalid": (3, b'a\x80b\xFF<c\xE2\x82>\xF0\x9F\x98 \xC3'),
    "controls": (5, b'<a\x01b="\x02">\x0b\x0c\x1f\t\r\n\x7f\xc2\x85\xc0\x81\x00x\x00'),
    "crlf": (2, b'<r>\r\n  <s a="1\r\n2"/>\r\n</r>\r\n'),
}

os.makedirs(OUT, exist_ok=True)
for name, (pattern, text) in SEEDS.items():
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(bytes([pattern]) + text)
