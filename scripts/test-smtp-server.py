# The SMTP server that scripts/test-smtp starts: aiosmtpd on 127.0.0.1 with AUTH LOGIN and PLAIN
# for the one test account, STARTTLS unless started "plain", and every letter it takes kept as
# DIR/mail/<n>.eml, byte for byte as received, with DIR/mail/<n>.json for its envelope.
#   python3 test-smtp-server.py DIR PORT tls|plain
# Recipients whose local part is "refused" are refused; every login tried and every goodbye
# (QUIT) is written to DIR/session.log, so that a test can tell what reached the server.
import asyncio
import json
import os
import signal
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

folder, port, mode = sys.argv[1], int(sys.argv[2]), sys.argv[3]
mail = os.path.join(folder, "mail")
os.makedirs(mail, exist_ok=True)


def read(name):
    with open(os.path.join(folder, name), encoding="utf-8") as f:
        return f.read().strip()


account = (read("user").encode(), read("password").encode())


def note(line):
    with open(os.path.join(folder, "session.log"), "ab") as log:
        log.write(line + b"\n")


def authenticate(server, session, envelope, mechanism, auth_data):
    login = auth_data.login if isinstance(auth_data, LoginPassword) else b"?"
    note(mechanism.encode() + b" " + login)
    ok = isinstance(auth_data, LoginPassword) and (auth_data.login, auth_data.password) == account
    # Not "handled": aiosmtpd then answers a refusal with 535 itself.
    return AuthResult(success=ok, handled=False)


class Keeper:
    def __init__(self):
        names = [n for n in os.listdir(mail) if n.endswith(".eml")]
        self.count = max([int(n[:-4]) for n in names if n[:-4].isdigit()], default=0)

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.partition("@")[0].lower() == "refused":
            return "550 5.1.1 <%s>: Recipient address rejected: User unknown" % address
        envelope.rcpt_tos.append(address)
        return "250 2.1.5 OK"

    async def handle_QUIT(self, server, session, envelope):
        note(b"QUIT")
        return "221 Bye"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(mail, "%06d" % self.count)
        with open(base + ".json", "w", encoding="utf-8") as f:
            json.dump({"from": envelope.mail_from, "to": envelope.rcpt_tos}, f)
        # Written under another name first: a test never reads half a letter.
        with open(base + ".tmp", "wb") as f:
            f.write(envelope.original_content)
        os.rename(base + ".tmp", base + ".eml")
        return "250 2.0.0 Ok: queued as %d" % self.count


def main():
    tls = None
    if mode == "tls":
        tls = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        tls.load_cert_chain(os.path.join(folder, "tls", "server-cert.pem"), os.path.join(folder, "tls", "server-key.pem"))
    keeper = Keeper()
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    # A fixed host name: no lookup of the machine's own name. Without TLS the login is offered
    # in the clear, so that a client that insists on TLS can be seen to refuse it.
    factory = lambda: SMTP(keeper, hostname="library-test", tls_context=tls, require_starttls=tls is not None,
                           auth_require_tls=tls is not None, authenticator=authenticate, loop=loop)
    server = loop.run_until_complete(loop.create_server(factory, host="127.0.0.1", port=port))
    loop.add_signal_handler(signal.SIGTERM, loop.stop)
    with open(os.path.join(folder, "pid"), "w") as f:
        f.write(str(os.getpid()))
    try:
        loop.run_forever()
    finally:
        server.close()


main()
