"""Stands in front of a real CardDAV server (the URL given as the second
argument) and makes it answer as servers that rewrite the cards they are
sent do: each card PUT reaches the server with a PRODID of the server's own
in place of the client's, and the answer to the PUT names no ETag, as RFC
6352 asks of a server that changed what it stores. Everything else passes through as it is."""
import http.client
import http.server
import re
import sys
import urllib.parse

PORT, UPSTREAM = int(sys.argv[1]), urllib.parse.urlsplit(sys.argv[2])
PRODID = b"PRODID:-//Rewriting server//EN\r\n"


def rewritten(card):
    card = re.sub(rb"(?m)^PRODID[;:].*\n", b"", card)
    at = card.find(b"\n", card.find(b"VERSION:")) + 1
    return card[:at] + PRODID + card[at:] if at > 0 else card


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def forward(self):
        body = self.rfile.read(int(self.headers.get("Content-Length") or 0))
        if self.command == "PUT":
            body = rewritten(body)
        headers = {k: v for k, v in self.headers.items()
                   if k.lower() not in ("host", "content-length", "connection")}
        upstream = http.client.HTTPConnection(UPSTREAM.hostname, UPSTREAM.port)
        upstream.request(self.command, self.path, body, headers)
        reply = upstream.getresponse()
        answer = reply.read()
        self.send_response(reply.status)
        for name, value in reply.getheaders():
            dropped = ("content-length", "connection", "transfer-encoding")
            if name.lower() in dropped or (self.command == "PUT" and name.lower() == "etag"):
                continue
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(answer)))
        self.end_headers()
        self.wfile.write(answer)
        upstream.close()

    do_GET = do_PUT = do_DELETE = do_PROPFIND = do_REPORT = do_OPTIONS = forward


http.server.ThreadingHTTPServer(("127.0.0.1", PORT), Handler).serve_forever()
