"""Checks of the round-trip relay's reply rewriting and delay.

    /usr/bin/python3 -m unittest bench/test_delay_relay.py
"""

import asyncio
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import delay_relay  # noqa: E402


class PassiveReplies(unittest.IsolatedAsyncioTestCase):
    async def asyncSetUp(self):
        self.session = delay_relay.ControlSession(0)

    async def asyncTearDown(self):
        for listener in self.session.listeners:
            listener.close()

    def listener_port(self, index=0):
        return self.session.listeners[index].sockets[0].getsockname()[1]

    async def test_passive_replies_name_a_listener_of_the_relay(self):
        pasv = await self.session.rewrite(b"227 Entering Passive Mode (10,1,2,3,19,137).\r\n")
        epsv = await self.session.rewrite(b"229 Entering Extended Passive Mode (|||5001|)\r\n")
        port = self.listener_port(0)
        self.assertEqual(pasv, b"227 Entering Passive Mode (127,0,0,1,%d,%d).\r\n" % (port // 256, port % 256))
        self.assertEqual(epsv, b"229 Entering Extended Passive Mode (|||%d|).\r\n" % self.listener_port(1))

    async def test_a_reply_split_across_chunks_is_rewritten_whole(self):
        first = await self.session.rewrite(b"200 Type set.\r\n227 Entering Passive Mode (127,0,")
        rest = await self.session.rewrite(b"0,1,4,1).\r\n")
        self.assertEqual(first, b"200 Type set.\r\n")
        self.assertIn(b"(127,0,0,1,", rest)
        self.assertEqual(len(self.session.listeners), 1)

    async def test_other_replies_pass_unchanged(self):
        text = b"230 Login successful.\r\n150 Here comes 227 (1,2,3,4,5,6).\r\n"
        self.assertEqual(await self.session.rewrite(text), text)
        self.assertEqual(self.session.listeners, [])


class Delay(unittest.IsolatedAsyncioTestCase):
    async def test_each_direction_waits_half_the_round_trip_and_keeps_order(self):
        async def echo(reader, writer):
            writer.write(await reader.read(100))
            await writer.drain()
            writer.close()

        server = await asyncio.start_server(echo, "127.0.0.1", 0)
        relay_server = await asyncio.start_server(
            lambda r, w: delay_relay.ControlSession(0.05).relay(r, w, server.sockets[0].getsockname()[1]),
            "127.0.0.1", 0)
        reader, writer = await asyncio.open_connection("127.0.0.1", relay_server.sockets[0].getsockname()[1])
        start = time.monotonic()
        writer.write(b"ping\r\n")
        answer = await asyncio.wait_for(reader.read(100), 5)
        elapsed = time.monotonic() - start
        writer.close()
        relay_server.close()
        server.close()
        self.assertEqual(answer, b"ping\r\n")
        self.assertGreaterEqual(elapsed, 0.1)

    async def test_a_stream_passes_bytes_without_a_line_end_at_once(self):
        # An SSH connection's first binary packet must not wait for a "\n".
        async def echo(reader, writer):
            writer.write(await reader.read(100))
            await writer.drain()

        server = await asyncio.start_server(echo, "127.0.0.1", 0)
        relay_server = await asyncio.start_server(
            lambda r, w: delay_relay.ControlSession(0, rewrite_replies=False).relay(
                r, w, server.sockets[0].getsockname()[1]),
            "127.0.0.1", 0)
        reader, writer = await asyncio.open_connection("127.0.0.1", relay_server.sockets[0].getsockname()[1])
        writer.write(b"\x00\x00\x01\x0c227 (1,2,3,4,5,6)")
        answer = await asyncio.wait_for(reader.read(100), 5)
        writer.close()
        relay_server.close()
        server.close()
        self.assertEqual(answer, b"\x00\x00\x01\x0c227 (1,2,3,4,5,6)")


if __name__ == "__main__":
    unittest.main()
