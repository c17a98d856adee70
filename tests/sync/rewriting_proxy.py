"""Stands in front of a real CardDAV server (the URL given as the second
argument) and makes it answer as servers that rewrite the cards they are
sent do: each card PUT reaches the server with a PRODID of the server's own
in place of the client's, and the answer to the PUT names no ETag, as RFC
6352 asks of a server that changed what it stores. With CUT (third
argument, 0 for none), sync-collection answers name at most CUT members each.
With a fourth argument, the first multiget answer naming a card whose path
holds it leaves that card out, as a server that failed one card does.
Everything else passes through as it is."""
import re
import sys
import urllib.parse

import relay

PORT, UPSTREAM = int(sys.argv[1]), urllib.parse.urlsplit(sys.argv[2])
CUT = int(sys.argv[3]) if len(sys.argv) > 3 else 0
LEFT_OUT = sys.argv[4].encode() if len(sys.argv) > 4 else None
PRODID = b"PRODID:-//Rewriting server//EN\r\n"
TOKEN = re.compile(rb"(<(?:\w+:)?sync-token>)(.*?)(</(?:\w+:)?sync-token>)", re.S)
MEMBER = re.compile(rb"<((?:\w+:)?)response>.*?</\1response>", re.S)


def rewritten(card):
    card = re.sub(rb"(?m)^PRODID[;:].*\n", b"", card)
    at = card.find(b"\n", card.find(b"VERSION:")) + 1
    return card[:at] + PRODID + card[at:] if at > 0 else card


def cut_request(body):
    """The request as the server is to see it, and how many members to skip:
    a token of the proxy's own, "cut:SKIP:TOKEN", names both."""
    found = TOKEN.search(body)
    if not CUT or b"sync-collection" not in body or not found or not found[2].startswith(b"cut:"):
        return body, 0
    _, skip, token = found[2].split(b":", 2)
    return body[:found.start(2)] + token + body[found.end(2):], int(skip)


def left_out(answer):
    """The answer without the first member whose href holds LEFT_OUT, once."""
    global LEFT_OUT
    for member in MEMBER.finditer(answer):
        if LEFT_OUT and LEFT_OUT in re.search(rb"href>(.*?)<", member[0])[1]:
            LEFT_OUT = None
            return answer[:member.start()] + answer[member.end():]
    return answer


def cut_answer(answer, token_asked, skip, path):
    """At most CUT members of the server's answer from SKIP on; when more are
    left, the collection's own member (named without its trailing slash, as
    some servers name it) says 507 and the token goes on."""
    found = list(MEMBER.finditer(answer))
    if not found:
        return answer
    head, tail = answer[:found[0].start()], answer[found[-1].end():]
    members = sorted(found, key=lambda m: m[0])  # the same order at each request
    kept = b"".join(m[0] for m in members[skip:skip + CUT])
    if skip + CUT < len(members):
        prefix = found[0][1]
        kept += (b"<%sresponse><%shref>%s</%shref><%sstatus>HTTP/1.1 507 Insufficient Storage"
                 b"</%sstatus></%sresponse>" % ((prefix,) * 2 + (path.rstrip("/").encode(),) + (prefix,) * 4))
        own = b"cut:%d:%s" % (skip + CUT, token_asked)
        head, tail = (TOKEN.sub(lambda m: m[1] + own + m[3], part) for part in (head, tail))
    return head + kept + tail


class Handler(relay.Handler):
    def forward(self):
        body = self.rfile.read(int(self.headers.get("Content-Length") or 0))
        if self.command == "PUT":
            body = rewritten(body)
        body, skip = cut_request(body) if self.command == "REPORT" else (body, 0)
        asked = TOKEN.search(body)
        cutting = CUT and self.command == "REPORT" and b"sync-collection" in body
        # Answers are read here as text: never compressed.
        status, headers, answer = relay.ask_upstream(UPSTREAM, self, body, drop=("accept-encoding",))
        if cutting and status == 207:
            answer = cut_answer(answer, asked[2] if asked else b"", skip, self.path)
        if b"addressbook-multiget" in body and status == 207:
            answer = left_out(answer)
        relay.answer(self, status, headers, answer, drop=("etag",) if self.command == "PUT" else ())


relay.serve(PORT, Handler)
