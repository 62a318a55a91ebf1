#!/usr/bin/env python3
"""A client of panelinkd on another machine: lists the boards the service offers, follows their
input changes, sends an output command or asks for a board's status, all through the MQTT broker
(python3-paho-mqtt). Commands and status requests carry an MQTT 5 response topic and correlation
data, so the service's answer comes back to this client alone.

    panelinkd_client.py --broker HOST[:PORT] boards
    panelinkd_client.py --broker HOST[:PORT] watch [--seconds N]
    panelinkd_client.py --broker HOST[:PORT] send BOARD COMMAND '{"port": 2, "bytes": "ff 01"}'
    panelinkd_client.py --broker HOST[:PORT] status BOARD
"""
import argparse
import json
import queue
import sys
import time
import uuid

import paho.mqtt.client as mqtt
from paho.mqtt.packettypes import PacketTypes
from paho.mqtt.properties import Properties


def make_client():
    try:  # paho-mqtt 2 asks which callback signatures the program uses
        return mqtt.Client(mqtt.CallbackAPIVersion.VERSION2, protocol=mqtt.MQTTv5)
    except AttributeError:
        return mqtt.Client(protocol=mqtt.MQTTv5)


def connect(broker):
    host, _, port = broker.partition(":")
    messages = queue.Queue()
    client = make_client()
    client.on_message = lambda _client, _userdata, message: messages.put(message)
    client.connect(host, int(port or 1883))
    client.loop_start()
    return client, messages


def next_message(messages, deadline):
    try:
        return messages.get(timeout=max(0.0, deadline - time.monotonic()))
    except queue.Empty:
        return None


def boards(client, messages, prefix, wait=1.0):
    """The boards' retained identity and availability: {name: (info, availability)}."""
    client.subscribe(f"{prefix}/+/info", qos=1)
    client.subscribe(f"{prefix}/+/availability", qos=1)
    found = {}
    deadline = time.monotonic() + wait
    while (message := next_message(messages, deadline)) is not None:
        board, leaf = message.topic[len(prefix) + 1:].split("/", 1)
        info, availability = found.get(board, ({}, "?"))
        if leaf == "info":
            info = json.loads(message.payload)
        elif leaf == "availability":
            availability = message.payload.decode()
        found[board] = (info, availability)
    return found


def watch(client, messages, prefix, seconds):
    client.subscribe(f"{prefix}/+/event", qos=1)
    deadline = time.monotonic() + seconds
    count = 0
    while (message := next_message(messages, deadline)) is not None:
        if not message.topic.endswith("/event"):
            continue
        board = message.topic[len(prefix) + 1:].split("/", 1)[0]
        event = json.loads(message.payload)
        print(f"{board}: input {event['input']} {'on' if event['state'] else 'off'}")
        count += 1
    return count


def request(client, messages, topic, payload, timeout=5.0):
    """Publishes a command or status request and waits for the service's answer."""
    reply_topic = f"panelinkd-client/{uuid.uuid4().hex}"
    client.subscribe(reply_topic, qos=1)
    properties = Properties(PacketTypes.PUBLISH)
    properties.ResponseTopic = reply_topic
    properties.CorrelationData = b"1"
    client.publish(topic, payload, qos=1, properties=properties)
    deadline = time.monotonic() + timeout
    while (message := next_message(messages, deadline)) is not None:
        if message.topic == reply_topic:
            return json.loads(message.payload)
    return {"error": "no answer from panelinkd"}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--broker", default="localhost", help="HOST[:PORT] of the broker")
    parser.add_argument("--prefix", default="panelink", help="the service's topic prefix")
    commands = parser.add_subparsers(dest="command", required=True)
    commands.add_parser("boards", help="the boards the service offers")
    watch_parser = commands.add_parser("watch", help="print input changes")
    watch_parser.add_argument("--seconds", type=float, default=10)
    send_parser = commands.add_parser("send", help="send an output command")
    send_parser.add_argument("board")
    send_parser.add_argument("name", help="a panelink send subcommand, e.g. direct")
    send_parser.add_argument("arguments", nargs="?", default="{}", help="its arguments as JSON")
    status_parser = commands.add_parser("status", help="ask a board for its status")
    status_parser.add_argument("board")
    args = parser.parse_args()

    client, messages = connect(args.broker)
    try:
        if args.command == "boards":
            for name, (info, availability) in sorted(boards(client, messages, args.prefix).items()):
                print(f"{name}: {availability}, {info.get('product', '?')}, "
                      f"{info.get('inputs', '?')} inputs")
        elif args.command == "watch":
            print(f"{watch(client, messages, args.prefix, args.seconds)} input changes")
        elif args.command == "send":
            answer = request(client, messages, f"{args.prefix}/{args.board}/set/{args.name}",
                             args.arguments)
            print(json.dumps(answer))
            return 0 if answer.get("result") == "done" else 1
        elif args.command == "status":
            answer = request(client, messages, f"{args.prefix}/{args.board}/status/get", "")
            print(json.dumps(answer))
            return 0 if "ports" in answer else 1
    finally:
        client.loop_stop()
        client.disconnect()
    return 0


if __name__ == "__main__":
    sys.exit(main())
