"""What a well-formed update request looks like on the wire, shared by the reliability tests."""
import base64


def well_formed(request, port, host="127.0.0.1"):
    """None when the recorded request is one plain GET that fits its request line, else why not."""
    if request.method != "GET" or request.version != "HTTP/1.1":
        return f"not a GET over HTTP/1.1: {request.request_line!r}"
    target = request.target
    if not target.startswith("/") or any(c <= " " or c > "~" for c in target):
        return f"target does not fit a request line: {target!r}"
    if request.headers("Host") != [f"{host}:{port}"]:
        return f"Host header {request.headers('Host')!r}"
    if any(":" not in line for line in request.header_lines):
        return f"a header line without a name: {request.header_lines!r}"
    return None


def authorization_credentials(request):
    """The user:password text of the request's Basic authorization header."""
    value = request.header("Authorization") or ""
    scheme, _, token = value.partition(" ")
    assert scheme == "Basic", value
    return base64.b64decode(token).decode("utf-8")
