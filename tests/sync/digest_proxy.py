"""Stands in front of a real CardDAV server (the URL given as the second
argument) and asks its clients for HTTP Digest authentication (RFC 7616:
MD5, qop "auth"), as some servers do, of the user and password given as the
third and fourth arguments; a request it lets through goes on with Basic.
Every other request is answered 401 with the challenge."""
import base64
import hashlib
import os
import re
import sys
import urllib.parse

import relay

PORT, UPSTREAM = int(sys.argv[1]), urllib.parse.urlsplit(sys.argv[2])
USER, PASSWORD = sys.argv[3], sys.argv[4]
REALM = "Digest test"
NONCE = os.urandom(16).hex()
FIELD = re.compile(r'(\w+)=(?:"([^"]*)"|([^,\s]*))')


def md5(text):
    return hashlib.md5(text.encode()).hexdigest()


def authorised(method, header):
    if not header or not header.startswith("Digest "):
        return False
    fields = {name: quoted or plain for name, quoted, plain in FIELD.findall(header[7:])}
    if fields.get("username") != USER or fields.get("nonce") != NONCE:
        return False
    ha1 = md5(f"{USER}:{REALM}:{PASSWORD}")
    ha2 = md5(f"{method}:{fields.get('uri')}")
    said = [ha1, NONCE, fields.get("nc"), fields.get("cnonce"), fields.get("qop"), ha2]
    return fields.get("qop") == "auth" and fields.get("response") == md5(":".join(map(str, said)))


class Handler(relay.Handler):
    def forward(self):
        body = self.rfile.read(int(self.headers.get("Content-Length") or 0))
        if not authorised(self.command, self.headers.get("Authorization")):
            challenge = f'Digest realm="{REALM}", nonce="{NONCE}", qop="auth", algorithm=MD5'
            relay.answer(self, 401, [("WWW-Authenticate", challenge)], b"")
            return
        basic = "Basic " + base64.b64encode(f"{USER}:{PASSWORD}".encode()).decode()
        status, headers, answer = relay.ask_upstream(UPSTREAM, self, body, drop=("authorization",),
                                                     extra={"Authorization": basic})
        relay.answer(self, status, headers, answer)


relay.serve(PORT, Handler)
