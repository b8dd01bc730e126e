#!/usr/bin/env python3
"""Drives the mktfn server from Python with the standard library only.

Starts the server, sets up its Main object as the add-in does, evaluates kxDHMS and kxMMS through
it and prints one line per result: the call, a tab, and the value (numbers with all their digits,
so they read back to the same double). The server's requests for the host are answered here; this
small host knows only the factorial, which is all kxMMS asks of it.

usage: examples/mktfn_client.py [PATH-TO-mktfn]     (default: build/mktfn/mktfn)
"""
import json
import math
import subprocess
import sys


class MktfnServer:
    def __init__(self, program):
        self.process = subprocess.Popen([program], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        text=True, encoding="utf-8")
        self.next_id = 1

    def send(self, message):
        self.process.stdin.write(json.dumps(message) + "\n")
        self.process.stdin.flush()

    def request(self, method, **params):
        request_id = self.next_id
        self.next_id += 1
        self.send({"jsonrpc": "2.0", "id": request_id, "method": method, "params": params})
        while True:
            line = self.process.stdout.readline()
            if not line:
                raise RuntimeError("the mktfn server ended")
            message = json.loads(line)
            if "method" in message:  # the server needs the host before it can answer
                self.answer_host(message)
            elif message.get("id") == request_id:
                if "error" in message:
                    raise RuntimeError(message["error"]["message"])
                return message["result"]

    def answer_host(self, message):
        params = message.get("params", {})
        if message["method"] == "host.call" and params.get("function", "").lower() == "fact":
            n = params["arguments"][0]
            reply = {"result": float(math.factorial(int(n)))} if 0 <= n <= 170 else {"result": {"error": 2036}}
        else:
            reply = {"error": {"code": -32000, "message": "this host cannot do " + message["method"],
                               "data": {"number": 438}}}
        self.send({"jsonrpc": "2.0", "id": message["id"], **reply})

    def call(self, main, name, *arguments):
        return self.request("call", object=main["object"], name=name, arguments=list(arguments))["value"]

    def close(self):
        self.process.stdin.close()
        return self.process.wait(timeout=10)


def shown(value):
    if isinstance(value, float):
        return repr(value)
    if isinstance(value, dict) and "error" in value:
        return "#ERR(%d)" % value["error"]
    return str(value)


def main():
    server = MktfnServer(sys.argv[1] if len(sys.argv) > 1 else "build/mktfn/mktfn")
    try:
        main_object = server.request("create", **{"class": "Main"})
        server.request("set", object=main_object["object"], name="Application", value={"application": True})
        server.request("set", object=main_object["object"], name="xlErrValue", value=2015)
        server.request("call", object=main_object["object"], name="Initialize", arguments=[])

        for hours in (30, 5.5, 0.25):
            print("kxDHMS(%s)\t%s" % (hours, shown(server.call(main_object, "kxDHMS", hours))))
        table = server.call(main_object, "kxMMS", 2, 3, 1)
        for label, value in table["array"]:
            print("kxMMS(2,3,1)\t%s\t%s" % (label, shown(value)))
        print("kxMMS(3,3,1)\t%s" % shown(server.call(main_object, "kxMMS", 3, 3, 1)))
    finally:
        server.close()


if __name__ == "__main__":
    main()
