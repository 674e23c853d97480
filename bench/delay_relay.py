"""A TCP relay in front of an FTP server that makes loopback look like a
distant server: every chunk, in each direction, reaches the other side half a
round trip after it was read.

    /usr/bin/python3 bench/delay_relay.py [--stream] SERVER_PORT [ROUND_TRIP_MS]

Prints "READY <port>" once it listens on 127.0.0.1; ends when its standard
input closes. The data connections go through it too: each passive reply of
the server (227, 229) starts a listener of the relay for that data
connection, and the reply the client sees names the relay's address and port.
Active mode (PORT, EPRT) is not relayed. With --stream the bytes pass
unread (an SSH connection, whose binary stream has no reply lines to rewrite).
"""

import asyncio
import re
import sys
import time

HOST = "127.0.0.1"
CHUNK = 64 * 1024
# Chunks held per direction: enough for a fast link at the round trip (the
# bandwidth-delay product), bounded so that a slow reader holds back the
# sender instead of filling memory.
QUEUED_CHUNKS = 256
PASV = re.compile(rb"^227 .*?(\d+),(\d+),(\d+),(\d+),(\d+),(\d+)")
EPSV = re.compile(rb"^229 .*?\((.)\1\1(\d+)\1\)")


async def _delayed_copy(reader, writer, one_way, rewrite=None, source=None):
    """Copies `reader` to `writer`, each chunk sent `one_way` seconds after it
    was read; `rewrite` (awaitable, bytes to bytes) may change each chunk.
    Once `writer` fails (its side closed), `source`, the connection `reader`
    reads, is closed as well, as a plain TCP path would tell the sender at its
    next write; what was queued for `writer` is dropped."""
    queue = asyncio.Queue(QUEUED_CHUNKS)

    async def read():
        try:
            while True:
                chunk = await reader.read(CHUNK)
                if not chunk:
                    break
                if rewrite:
                    chunk = await rewrite(chunk)
                    if not chunk:
                        continue
                await queue.put((time.monotonic() + one_way, chunk))
        except (ConnectionError, OSError):
            pass
        await queue.put((time.monotonic() + one_way, b""))

    async def write():
        try:
            while True:
                due, chunk = await queue.get()
                wait = due - time.monotonic()
                if wait > 0:
                    await asyncio.sleep(wait)
                if not chunk:
                    break
                writer.write(chunk)
                await writer.drain()
            writer.write_eof()
            return True
        except (ConnectionError, OSError):
            return False

    reading = asyncio.ensure_future(read())
    if not await write():
        if source:
            source.close()
        reading.cancel()
    try:
        await reading
    except asyncio.CancelledError:
        pass


async def _pipe(client_reader, client_writer, server_reader, server_writer, one_way, rewrite=None):
    """Both directions of one relayed connection, closed when both end."""
    try:
        await asyncio.gather(_delayed_copy(client_reader, server_writer, one_way, source=client_writer),
                             _delayed_copy(server_reader, client_writer, one_way, rewrite, source=server_writer))
    finally:
        for writer in (client_writer, server_writer):
            writer.close()


class ControlSession:
    """One client's control connection and the data listeners its passive
    replies opened."""

    def __init__(self, one_way, rewrite_replies=True):
        self.one_way = one_way
        self.rewrite_replies = rewrite_replies
        self.listeners = []
        self.pending = b""

    async def relay(self, client_reader, client_writer, server_port):
        try:
            server_reader, server_writer = await asyncio.open_connection(HOST, server_port)
        except OSError:
            client_writer.close()
            return
        try:
            await _pipe(client_reader, client_writer, server_reader, server_writer, self.one_way,
                        self.rewrite if self.rewrite_replies else None)
        finally:
            for listener in self.listeners:
                listener.close()

    async def rewrite(self, chunk):
        """The server's replies with every passive address replaced by one of
        the relay's listeners; a partial last line waits for its end."""
        text = self.pending + chunk
        end = text.rfind(b"\n") + 1
        self.pending = text[end:]
        lines = text[:end].split(b"\n")
        return b"\n".join([await self._rewrite_line(line) for line in lines])

    async def _rewrite_line(self, line):
        found = PASV.match(line)
        if found:
            numbers = [int(x) for x in found.groups()]
            port = await self._listen(".".join(map(str, numbers[:4])), numbers[4] * 256 + numbers[5])
            return b"227 Entering Passive Mode (%s,%d,%d).\r" % (
                HOST.replace(".", ",").encode(), port // 256, port % 256)
        found = EPSV.match(line)
        if found:
            port = await self._listen(HOST, int(found.group(2)))
            return b"229 Entering Extended Passive Mode (|||%d|).\r" % port
        return line

    async def _listen(self, server_host, server_port):
        """A listener of the relay for one data connection to the server."""
        async def accepted(reader, writer):
            listener.close()
            try:
                server_reader, server_writer = await asyncio.open_connection(server_host, server_port)
            except OSError:
                writer.close()
                return
            await _pipe(reader, writer, server_reader, server_writer, self.one_way)

        listener = await asyncio.start_server(accepted, HOST, 0)
        self.listeners.append(listener)
        return listener.sockets[0].getsockname()[1]


async def main(server_port, round_trip, rewrite_replies):
    one_way = round_trip / 2

    async def accepted(reader, writer):
        await ControlSession(one_way, rewrite_replies).relay(reader, writer, server_port)

    server = await asyncio.start_server(accepted, HOST, 0)
    print("READY %d" % server.sockets[0].getsockname()[1], flush=True)
    loop = asyncio.get_running_loop()
    # Ends when the benchmark closes the relay's standard input.
    await loop.run_in_executor(None, sys.stdin.buffer.read)
    server.close()


if __name__ == "__main__":
    arguments = sys.argv[1:]
    stream = arguments[:1] == ["--stream"]
    if stream:
        arguments = arguments[1:]
    if len(arguments) not in (1, 2):
        sys.exit("usage: %s [--stream] SERVER_PORT [ROUND_TRIP_MS]" % sys.argv[0])
    milliseconds = float(arguments[1]) if len(arguments) == 2 else 40.0
    asyncio.run(main(int(arguments[0]), milliseconds / 1000, not stream))
