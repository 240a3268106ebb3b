# Reads an HL7 v2 message with python-hl7, an implementation independent of the program's, and
# prints every component it finds as JSON: {"OBX[2].3.1": "MM10", ...}, values unescaped.
import json
import sys

import hl7

message = hl7.parse(open(sys.argv[1], "rb").read().decode("utf-8"))
out = {"segments": [str(segment[0]) for segment in message]}
seen = {}
for segment in message:
    name = str(segment[0])
    seen[name] = seen.get(name, 0) + 1
    first = 3 if name == "MSH" else 1  # MSH-1 and MSH-2 are the separators themselves
    for field in range(first, len(segment)):
        for component in range(1, str(segment[field]).count("^") + 2):
            value = message.extract_field(name, seen[name], field, 1, component)
            if value:
                out["%s[%d].%d.%d" % (name, seen[name], field, component)] = value
json.dump(out, sys.stdout, ensure_ascii=False)
