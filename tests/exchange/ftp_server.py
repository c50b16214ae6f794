"""A pyftpdlib server on 127.0.0.1 for the exchange tests and the benchmark.

ftp_server.py PORT ROOT USER PASSWORD [--rate BYTES_PER_S] [--drop NAME:BYTES]

- LIST accepts a trailing wildcard in the last path part ("name*"), answering an empty
  listing when nothing matches, as the distributor's server does.
- --rate slows every data transfer down.
- --drop ends the whole server abruptly once BYTES of the file NAME have been read for
  sending: the client sees both connections drop in the middle of the transfer.
"""
import argparse
import fnmatch
import logging
import os

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import BufferedIteratorProducer, FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

args_parser = argparse.ArgumentParser()
args_parser.add_argument("port", type=int)
args_parser.add_argument("root")
args_parser.add_argument("user")
args_parser.add_argument("password")
args_parser.add_argument("--rate", type=int, default=0)
args_parser.add_argument("--drop", default="")
args = args_parser.parse_args()

drop_name, drop_after = "", 0
if args.drop:
    drop_name, count = args.drop.rsplit(":", 1)
    drop_after = int(count)


class DroppingFile:
    def __init__(self, f):
        self._f = f
        self._read = 0

    def read(self, n=-1):
        data = self._f.read(n)
        self._read += len(data)
        if self._read > drop_after:
            os._exit(3)
        return data

    def __getattr__(self, name):
        return getattr(self._f, name)


class FaultyFS(AbstractedFS):
    def open(self, filename, mode):
        f = super().open(filename, mode)
        if drop_name and os.path.basename(filename) == drop_name:
            return DroppingFile(f)
        return f


class GlobHandler(FTPHandler):
    def ftp_LIST(self, path):
        basedir, pattern = os.path.split(path)
        if "*" not in pattern and "?" not in pattern:
            return super().ftp_LIST(path)
        try:
            names = sorted(n for n in self.fs.listdir(basedir) if fnmatch.fnmatchcase(n, pattern))
        except OSError:
            names = []
        iterator = self.fs.format_list(basedir, names)
        self.push_dtp_data(BufferedIteratorProducer(iterator), isproducer=True, cmd="LIST")
        return path


class Dtp(ThrottledDTPHandler):
    write_limit = args.rate


logging.basicConfig(level=logging.ERROR)
authorizer = DummyAuthorizer()
authorizer.add_user(args.user, args.password, args.root, perm="elr")
GlobHandler.authorizer = authorizer
GlobHandler.abstracted_fs = FaultyFS
GlobHandler.dtp_handler = Dtp
GlobHandler.banner = "test server ready"
server = FTPServer(("127.0.0.1", args.port), GlobHandler)
server.serve_forever()
