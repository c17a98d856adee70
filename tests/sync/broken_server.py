"""A tiny WebDAV server for the failures real servers do not produce on
demand. It answers as the file given as its second argument says, read at
each request: "ok" (an empty address book that takes every card), "quota"
(the same, but every PUT is refused with 507), "html" (an HTML page for
everything), "error" (500 for everything) or "stall" (no answer for a
minute)."""
import http.server
import sys
import time

PORT, MODE_FILE = int(sys.argv[1]), sys.argv[2]
BOOK = "/book/"
ITSELF = ('<?xml version="1.0"?><d:multistatus xmlns:d="DAV:" '
          'xmlns:c="urn:ietf:params:xml:ns:carddav"><d:response><d:href>/book/</d:href>'
          '<d:propstat><d:prop><d:resourcetype><d:collection/><c:addressbook/></d:resourcetype>'
          '<d:displayname>Broken</d:displayname></d:prop><d:status>HTTP/1.1 200 OK</d:status>'
          '</d:propstat></d:response></d:multistatus>')


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def answer(self, status, body=b"", kind="application/xml; charset=utf-8"):
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        if self.command == "PUT" and status < 300:
            self.send_header("ETag", '"1"')
        self.end_headers()
        self.wfile.write(body)

    def handle_any(self):
        length = int(self.headers.get("Content-Length") or 0)
        self.rfile.read(length)
        mode = open(MODE_FILE).read().strip()
        if mode == "stall":
            time.sleep(60)
            return
        if mode == "html":
            self.answer(200, b"<html><body>Sign in</body></html>", "text/html")
        elif mode == "error":
            self.answer(500, b"broken")
        elif self.command == "PROPFIND":
            self.answer(207, ITSELF.encode())
        elif self.command == "PUT":
            self.answer(507 if mode == "quota" else 201)
        else:
            self.answer(404)

    do_GET = do_PUT = do_DELETE = do_PROPFIND = do_REPORT = handle_any


http.server.ThreadingHTTPServer(("127.0.0.1", PORT), Handler).serve_forever()
