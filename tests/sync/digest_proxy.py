"""Stands in front of a real CardDAV server (the URL given as the second
argument) and asks its clients for HTTP Digest authentication (RFC 7616:
MD5, qop "auth"), as some servers do, of the user and password given as the
third and fourth arguments; a request it lets through goes on with Basic.
Every other request is answered 401 with the challenge."""
import base64
import hashlib
import http.client
import http.server
import os
import re
import sys
import urllib.parse

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


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def forward(self):
        body = self.rfile.read(int(self.headers.get("Content-Length") or 0))
        if not authorised(self.command, self.headers.get("Authorization")):
            self.send_response(401)
            self.send_header("WWW-Authenticate",
                             f'Digest realm="{REALM}", nonce="{NONCE}", qop="auth", algorithm=MD5')
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        headers = {k: v for k, v in self.headers.items()
                   if k.lower() not in ("host", "content-length", "connection", "authorization")}
        headers["Authorization"] = "Basic " + base64.b64encode(f"{USER}:{PASSWORD}".encode()).decode()
        upstream = http.client.HTTPConnection(UPSTREAM.hostname, UPSTREAM.port)
        upstream.request(self.command, self.path, body, headers)
        reply = upstream.getresponse()
        answer = reply.read()
        self.send_response(reply.status)
        for name, value in reply.getheaders():
            if name.lower() not in ("content-length", "connection", "transfer-encoding"):
                self.send_header(name, value)
        self.send_header("Content-Length", str(len(answer)))
        self.end_headers()
        self.wfile.write(answer)
        upstream.close()

    do_GET = do_PUT = do_DELETE = do_PROPFIND = do_REPORT = do_OPTIONS = forward


http.server.ThreadingHTTPServer(("127.0.0.1", PORT), Handler).serve_forever()
