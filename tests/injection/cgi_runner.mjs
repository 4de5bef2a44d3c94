// Runs build/bin/zebsrch as the web server would: the CGI environment, the
// posted form on standard input, the page on standard output. Many requests
// run side by side, as many as the machine has cores.

import { spawn } from 'node:child_process';
import { availableParallelism } from 'node:os';
import { join } from 'node:path';

function runOnce(zebsrch, env, body) {
  return new Promise((resolve, reject) => {
    const child = spawn(zebsrch, [], { env, stdio: ['pipe', 'pipe', 'pipe'] });
    const out = [];
    const err = [];
    child.stdout.on('data', (chunk) => out.push(chunk));
    child.stderr.on('data', (chunk) => err.push(chunk));
    child.on('error', reject);
    child.on('close', (status, signal) => resolve({
      status, signal, page: Buffer.concat(out), stderr: Buffer.concat(err).toString('latin1'),
    }));
    child.stdin.end(body);
  });
}

// requests: [{ body (string of %-escapes), scriptName? }]; answers in the
// same order. A request asked for twice runs once.
export async function runRequests(bin, instance, instanceName, requests) {
  const zebsrch = join(bin, 'zebsrch');
  const keyOf = ({ body, scriptName }) => `${scriptName ?? ''}\n${body}`;
  const unique = [...new Map(requests.map((r) => [keyOf(r), r])).values()];
  const answers = new Map();
  let next = 0;
  async function worker() {
    while (next < unique.length) {
      const request = unique[next++];
      const env = {
        ...process.env,
        REQUEST_METHOD: 'POST',
        CONTENT_TYPE: 'application/x-www-form-urlencoded',
        CONTENT_LENGTH: String(request.body.length),
        ZEBINSTSRV: instance,
        ZEBINST: instanceName,
      };
      if (request.scriptName !== undefined) env.SCRIPT_NAME = request.scriptName;
      answers.set(keyOf(request), await runOnce(zebsrch, env, request.body));
    }
  }
  await Promise.all(Array.from({ length: availableParallelism() }, worker));
  return requests.map((r) => answers.get(keyOf(r)));
}
