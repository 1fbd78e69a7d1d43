// Reads messages (one hex line each) from the file named on the command line, runs each through
// node's own HTTP request parser one byte at a time and prints, per message, where the head
// ends, where the message ends and the body payload in hex, or "error <code>".
'use strict';
const fs = require('fs');
const { HTTPParser } = process.binding('http_parser');

function parse(bytes) {
    const parser = new HTTPParser();
    parser.initialize(HTTPParser.REQUEST, {});
    let pos = 0, headEnd = -1, end = -1;
    const body = [];
    parser[HTTPParser.kOnHeadersComplete] = () => { headEnd = pos + 1; };
    parser[HTTPParser.kOnBody] = (chunk) => { body.push(Buffer.from(chunk)); };
    parser[HTTPParser.kOnMessageComplete] = () => { end = pos + 1; };
    for (; pos < bytes.length && end < 0; ++pos) {
        const result = parser.execute(bytes.subarray(pos, pos + 1));
        if (result instanceof Error) return `error ${result.code}`;
    }
    return `${headEnd} ${end} ${Buffer.concat(body).toString('hex')}`;
}

const lines = fs.readFileSync(process.argv[2], 'latin1').split('\n').filter((l) => l.length > 0);
process.stdout.write(lines.map((hex) => parse(Buffer.from(hex, 'hex'))).join('\n') + '\n');
