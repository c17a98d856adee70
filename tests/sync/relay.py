"""What the test proxies in front of a real CardDAV server share: a request
passed on to the server, its answer passed back, and the server itself."""
import http.client
import http.server


def ask_upstream(upstream, handler, body, drop=(), extra=None):
    """The status, headers and body the server gives for the handler's
    request with this body: its headers but Host, the framing ones and those
    named in drop, with extra ones added."""
    headers = {k: v for k, v in handler.headers.items()
               if k.lower() not in ("host", "content-length", "connection", *drop)}
    headers.update(extra or {})
    connection = http.client.HTTPConnection(upstream.hostname, upstream.port)
    try:
        connection.request(handler.command, handler.path, body, headers)
        reply = connection.getresponse()
        return reply.status, reply.getheaders(), reply.read()
    finally:
        connection.close()


def answer(handler, status, headers, body, drop=()):
    """Sends the answer with its headers but the framing ones and those
    named in drop."""
    handler.send_response(status)
    for name, value in headers:
        if name.lower() not in ("content-length", "connection", "transfer-encoding", *drop):
            handler.send_header(name, value)
    handler.send_header("Content-Length", str(len(body)))
    handler.end_headers()
    handler.wfile.write(body)


class Handler(http.server.BaseHTTPRequestHandler):
    """Answers every method the tests use with forward(), which a proxy
    defines, and logs nothing."""
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_any(self):
        self.forward()

    do_GET = do_PUT = do_DELETE = do_PROPFIND = do_REPORT = do_OPTIONS = do_any


def serve(port, handler):
    http.server.ThreadingHTTPServer(("127.0.0.1", port), handler).serve_forever()
