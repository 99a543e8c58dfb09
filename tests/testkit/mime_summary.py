"""Prints a MIME message as JSON, read with Python's own email parser.

    mime_summary.py MESSAGE-FILE

Headers are given decoded; every leaf part with its type, disposition, file
name and decoded payload in hexadecimal, and every defect the parser found.
"""
import email
import json
import sys
from email import policy

with open(sys.argv[1], "rb") as f:
    message = email.message_from_binary_file(f, policy=policy.default)

summary = {
    "headers": {k: str(v) for k, v in message.items()},
    "to": [a.addr_spec for a in message["To"].addresses] if message["To"] else [],
    "to_names": [a.display_name for a in message["To"].addresses] if message["To"] else [],
    "multipart": message.is_multipart(),
    "defects": [type(d).__name__ for d in message.defects],
    "parts": [],
}
for part in message.walk():
    if part.is_multipart():
        summary["defects"] += [type(d).__name__ for d in part.defects]
        continue
    summary["parts"].append({
        "type": part.get_content_type(),
        "charset": part.get_content_charset(),
        "disposition": part.get_content_disposition(),
        "filename": part.get_filename(),
        "hex": (part.get_payload(decode=True) or b"").hex(),
        "defects": [type(d).__name__ for d in part.defects],
    })
print(json.dumps(summary))
