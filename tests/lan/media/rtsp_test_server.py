#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A live RTSP stream for the media LAN test: GStreamer's RTSP server with a
# test picture as Motion JPEG (no H.264 encoder needed). Debian's own
# python3, the one python3-gst-1.0 is built for.
#
#   rtsp_test_server.py ADDRESS PORT PATH SECONDS
#
# Prints "ready" once it listens; ends by itself after SECONDS.
import sys

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtspServer  # noqa: E402

address, port, path, seconds = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
Gst.init(None)
server = GstRtspServer.RTSPServer()
server.set_address(address)
server.set_service(port)
factory = GstRtspServer.RTSPMediaFactory()
# Without format=I420 the payloader refuses the frames and a client waits for ever.
factory.set_launch(
    "( videotestsrc is-live=true ! video/x-raw,format=I420,width=320,height=240,framerate=10/1 "
    "! jpegenc ! rtpjpegpay name=pay0 )"
)
factory.set_shared(True)
server.get_mount_points().add_factory(path, factory)
if server.attach(None) == 0:
    print("cannot listen", file=sys.stderr)
    sys.exit(1)
loop = GLib.MainLoop()
GLib.timeout_add_seconds(seconds, loop.quit)
print("ready", flush=True)
loop.run()
