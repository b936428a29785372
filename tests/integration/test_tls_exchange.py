"""Updates over TLS to a loopback server whose certificate a test CA signs, trusted only in the test prefix."""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness.recording_server import RecordingServer  # noqa: E402
from harness.windows import run_windows  # noqa: E402
from test_http_exchange import run_probe  # noqa: E402


def openssl(*args):
    subprocess.run(["openssl", *args], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def make_ca(folder, name):
    key, cert = os.path.join(folder, f"{name}.key"), os.path.join(folder, f"{name}.pem")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", f"/CN=Zenlark {name}",
            "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign",
            "-keyout", key, "-out", cert)
    der = os.path.join(folder, f"{name}.der")
    openssl("x509", "-in", cert, "-outform", "DER", "-out", der)
    return key, cert, der


def make_server_cert(folder, name, ca_key, ca_cert):
    key, csr, cert = (os.path.join(folder, f"{name}.{ext}") for ext in ("key", "csr", "pem"))
    extensions = os.path.join(folder, f"{name}.ext")
    with open(extensions, "w") as f:
        f.write("subjectAltName=IP:127.0.0.1,DNS:localhost\nextendedKeyUsage=serverAuth\n"
                "basicConstraints=CA:FALSE\nkeyUsage=digitalSignature,keyEncipherment\n")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout", key, "-out", csr)
    openssl("x509", "-req", "-in", csr, "-CA", ca_cert, "-CAkey", ca_key, "-CAcreateserial", "-days", "2",
            "-extfile", extensions, "-out", cert)
    return cert, key


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def trust(action, der):
    done = run_windows(["trust_test_ca.exe", action, windows_path(der)], timeout=60)
    if done.returncode != 0:
        raise RuntimeError(f"trust_test_ca {action} failed: {done.stderr!r}")


class TlsExchange(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory(prefix="zenlark-tls-")
        folder = cls.folder.name
        ca_key, ca_cert, cls.ca_der = make_ca(folder, "trusted-ca")
        cls.trusted = make_server_cert(folder, "trusted-server", ca_key, ca_cert)
        stranger_key, stranger_cert, _ = make_ca(folder, "untrusted-ca")
        cls.untrusted = make_server_cert(folder, "untrusted-server", stranger_key, stranger_cert)
        trust("add", cls.ca_der)

    @classmethod
    def tearDownClass(cls):
        try:
            trust("remove", cls.ca_der)
        finally:
            cls.folder.cleanup()

    def test_https_to_a_server_signed_by_a_trusted_ca_is_delivered(self):
        cert, key = self.trusted
        with RecordingServer(certfile=cert, keyfile=key) as server:
            # By name: Wine's TLS client fails the handshake (12157) for an address written as an IP.
            code, results, output = run_probe(f"https://localhost:{server.port}/tls/", "--password", "x",
                                              "--title", "Secure - Title")
            self.assertEqual(code, 0, output)
            self.assertEqual(results[0]["step"], "none", output)
            [request] = server.wait_for_requests(1)
        self.assertEqual(request.target, "/tls/admin/metadata?mount=%2Flive&mode=updinfo&song=Secure%20-%20Title")

    def test_untrusted_certificate_fails_before_any_request(self):
        cert, key = self.untrusted
        with RecordingServer(certfile=cert, keyfile=key) as server:
            code, results, output = run_probe(f"https://localhost:{server.port}/", "--password", "x",
                                              "--title", "T")
            requests = list(server.requests)
        self.assertEqual(code, 1, output)
        self.assertEqual(results[0]["step"], "sendRequest", output)
        # ERROR_WINHTTP_SECURE_FAILURE on Windows; Wine reports ERROR_WINHTTP_SECURE_CHANNEL_ERROR.
        self.assertIn(results[0]["error"], ("12175", "12157"), output)
        self.assertEqual(requests, [])

    def test_http_address_speaks_plain_http_even_to_a_tls_server(self):
        # The scheme alone decides TLS: plain HTTP reaching a TLS server cannot be understood.
        cert, key = self.trusted
        with RecordingServer(certfile=cert, keyfile=key) as server:
            code, results, output = run_probe(f"http://127.0.0.1:{server.port}/", "--password", "x", "--title", "T")
            requests = list(server.requests)
        self.assertEqual(code, 1, output)
        self.assertEqual(requests, [])


if __name__ == "__main__":
    unittest.main()
