"""A robot's side of multicast DNS, for the discovery tests.

Runs inside a network namespace of its own (started through `unshare --net`) and
answers "_ssh._tcp" questions with python3-zeroconf, an independent responder. The
test drives it line by line on standard input; every command is answered with one
line on standard output, "ok ..." or "error ...".

    link <ifname> <ipv4/prefix> <ipv6/prefix>   configure the namespace's end of the veth pair
    start                                        start the responder and the question capture
    register <instance> <port> [txt ...]         announce <instance>._ssh._tcp.local.
    update <instance> [txt ...]                  announce new TXT strings for an instance
    unregister <instance>                        send the goodbye of an instance
    question <address> <port>                    hex of the first question heard from there
    quit

A TXT argument "key=value" is sent as it stands, "key=" as a key with an empty value
and "key" as a key without "=".
"""

import os
import shutil
import socket
import struct
import subprocess
import sys
import threading
import time

from zeroconf import IPVersion, ServiceInfo, Zeroconf

SERVICE = "_ssh._tcp.local."


def reply(text):
    sys.stdout.write(text + "\n")
    sys.stdout.flush()


def run(*command):
    command = (shutil.which(command[0]) or "/usr/sbin/" + command[0],) + command[1:]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


class QuestionCapture:
    """Keeps the first multicast DNS question that each sender (address and port) puts on the link."""

    def __init__(self, ifname, local_v4):
        self.questions = {}
        self.lock = threading.Lock()
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEPORT, 1)
        self.sock.bind(("0.0.0.0", 5353))
        self.sock.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                             socket.inet_aton("224.0.0.251") + socket.inet_aton(local_v4))
        self.sock6 = socket.socket(socket.AF_INET6, socket.SOCK_DGRAM)
        self.sock6.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock6.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEPORT, 1)
        self.sock6.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
        self.sock6.bind(("::", 5353))
        self.sock6.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_JOIN_GROUP,
                              socket.inet_pton(socket.AF_INET6, "ff02::fb")
                              + struct.pack("@I", socket.if_nametoindex(ifname)))
        for s in (self.sock, self.sock6):
            threading.Thread(target=self.listen, args=(s,), daemon=True).start()

    def listen(self, sock):
        while True:
            data, sender = sock.recvfrom(9000)
            source = (sender[0].split("%")[0], sender[1])
            flags = struct.unpack("!H", data[2:4])[0] if len(data) >= 4 else 0
            if flags & 0x8000:
                continue  # a response, not a question
            with self.lock:
                self.questions.setdefault(source, data)

    def question(self, source, wait=5.0):
        deadline = time.monotonic() + wait
        while time.monotonic() < deadline:
            with self.lock:
                if source in self.questions:
                    return self.questions[source]
            time.sleep(0.02)
        return None


def wait_until_operational(ifname):
    """Packets sent before the kernel reports the link up are dropped; wait for it."""
    deadline = time.monotonic() + 5
    while time.monotonic() < deadline:
        state = subprocess.run((shutil.which("ip") or "/usr/sbin/ip", "-o", "link", "show", "dev", ifname),
                               capture_output=True, text=True).stdout
        if " state UP " in state:
            return
        time.sleep(0.02)
    raise RuntimeError(ifname + " did not come up")


def txt_properties(arguments):
    properties = {}
    for argument in arguments:
        if "=" in argument:
            key, value = argument.split("=", 1)
            properties[key.encode()] = value.encode()
        else:
            properties[argument.encode()] = None
    return properties


def main():
    zc = None
    capture = None
    infos = {}
    addresses = []
    ifname = None
    reply("ready %d" % os.getpid())
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        command, arguments = words[0], words[1:]
        try:
            if command == "link":
                ifname, v4, v6 = arguments
                deadline = time.monotonic() + 5
                while True:
                    try:
                        socket.if_nametoindex(ifname)
                        break
                    except OSError:
                        if time.monotonic() > deadline:
                            raise
                        time.sleep(0.01)
                run("ip", "link", "set", "lo", "up")
                run("ip", "link", "set", ifname, "addrgenmode", "none")
                run("ip", "addr", "add", v4, "dev", ifname)
                run("ip", "-6", "addr", "add", v6, "dev", ifname, "nodad")
                run("ip", "link", "set", ifname, "multicast", "on", "up")
                wait_until_operational(ifname)
                addresses = [v4.split("/")[0], v6.split("/")[0]]
                reply("ok")
            elif command == "start":
                capture = QuestionCapture(ifname, addresses[0])
                zc = Zeroconf(ip_version=IPVersion.All)
                reply("ok")
            elif command == "register":
                instance, port = arguments[0], int(arguments[1])
                info = ServiceInfo(SERVICE, instance + "." + SERVICE, port=port,
                                   properties=txt_properties(arguments[2:]),
                                   server=instance + ".local.", parsed_addresses=addresses)
                zc.register_service(info, cooperating_responders=True)
                infos[instance] = info
                reply("ok")
            elif command == "update":
                instance = arguments[0]
                old = infos[instance]
                info = ServiceInfo(SERVICE, old.name, port=old.port,
                                   properties=txt_properties(arguments[1:]),
                                   server=old.server, parsed_addresses=addresses)
                zc.update_service(info)
                infos[instance] = info
                reply("ok")
            elif command == "unregister":
                zc.unregister_service(infos.pop(arguments[0]))
                reply("ok")
            elif command == "question":
                data = capture.question((arguments[0], int(arguments[1])))
                reply("ok " + data.hex() if data is not None else "error no question heard")
            elif command == "quit":
                break
            else:
                reply("error unknown command " + command)
        except Exception as error:  # the test reads the reason from the reply line
            reply("error " + repr(error))
    if zc is not None:
        zc.close()


if __name__ == "__main__":
    main()
