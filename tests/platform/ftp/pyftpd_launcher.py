"""A pyftpdlib server on 127.0.0.1 for the tests: one named user whose home is the
given folder (and anonymous access to it when asked).

    python3 pyftpd_launcher.py --port P --root DIR [--user U --password W]
        [--anonymous] [--masquerade ADDR] [--passive-ports FROM-TO]
"""
import argparse
import logging

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", default="")
    parser.add_argument("--password", default="")
    parser.add_argument("--anonymous", action="store_true")
    parser.add_argument("--masquerade", default="")
    parser.add_argument("--passive-ports", default="")
    args = parser.parse_args()

    authorizer = DummyAuthorizer()
    if args.user:
        authorizer.add_user(args.user, args.password, args.root, perm="elr")
    if args.anonymous:
        authorizer.add_anonymous(args.root, perm="elr")

    class Handler(FTPHandler):
        pass

    Handler.authorizer = authorizer
    Handler.banner = "pyftpdlib ready."
    # Refused logins are answered at once, so tests of them stay quick.
    Handler.auth_failed_timeout = 0.05
    # Data connections from the proxies the tests put in between come from 127.0.0.1
    # as well, but active-mode PORT targets must be allowed to differ from the peer.
    Handler.permit_foreign_addresses = True
    if args.masquerade:
        Handler.masquerade_address = args.masquerade
    if args.passive_ports:
        first, last = (int(p) for p in args.passive_ports.split("-"))
        Handler.passive_ports = range(first, last + 1)

    logging.basicConfig(level=logging.WARNING)
    server = FTPServer(("127.0.0.1", args.port), Handler)
    server.serve_forever()


if __name__ == "__main__":
    main()
