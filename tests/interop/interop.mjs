// Drives a running "veltrix --headless --demo" with the official MCP TypeScript SDK client,
// over HTTP and over "--mcp-stdio". Usage: node interop.mjs <path to veltrix>
// Exit 0 on success, 77 when it cannot run here (no node_modules, no executable), 1 on failure.
import { spawn } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const SKIP = 77;

if (!existsSync(path.join(here, 'node_modules', '@modelcontextprotocol', 'sdk'))) {
  console.log('SKIP: tests/interop/node_modules is missing; run scripts/setup (npm ci) first');
  process.exit(SKIP);
}
const veltrix = process.argv[2];
if (!veltrix || !existsSync(veltrix)) {
  console.log(`SKIP: veltrix executable not found (${veltrix ?? 'no path given'})`);
  process.exit(SKIP);
}

const { Client } = await import('@modelcontextprotocol/sdk/client/index.js');
const { StreamableHTTPClientTransport } = await import('@modelcontextprotocol/sdk/client/streamableHttp.js');
const { StdioClientTransport } = await import('@modelcontextprotocol/sdk/client/stdio.js');
const { LATEST_PROTOCOL_VERSION } = await import('@modelcontextprotocol/sdk/types.js');

const TOOL_NAMES = [
  'tv_status', 'tv_list_devices', 'tv_select_device', 'tv_list_apps', 'tv_launch_app',
  'tv_list_inputs', 'tv_switch_input', 'tv_press_button', 'tv_volume', 'tv_mute', 'tv_media',
  'tv_channel', 'tv_input_text', 'tv_power', 'tv_notify',
];

let failures = 0;
function check(condition, what, detail) {
  if (condition) {
    console.log(`ok   ${what}`);
  } else {
    failures++;
    console.log(`FAIL ${what}${detail === undefined ? '' : `: ${typeof detail === 'string' ? detail : JSON.stringify(detail)}`}`);
  }
}

function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

async function waitForListening(port, child, timeoutMs) {
  const deadline = Date.now() + timeoutMs;
  while (Date.now() < deadline) {
    if (child.exitCode !== null) return false;
    const open = await new Promise((resolve) => {
      const socket = net.connect(port, '127.0.0.1');
      socket.once('connect', () => { socket.destroy(); resolve(true); });
      socket.once('error', () => resolve(false));
    });
    if (open) return true;
    await new Promise((r) => setTimeout(r, 50));
  }
  return false;
}

const text = (result) => result?.content?.[0]?.text ?? '';

// The tool calls both transports make against the simulated TV.
async function exerciseTools(client, label) {
  const { tools } = await client.listTools();
  check(tools.length === 15, `${label}: tools/list returns 15 tools`, tools.length);
  check(JSON.stringify(tools.map((t) => t.name)) === JSON.stringify(TOOL_NAMES), `${label}: tool order`, tools.map((t) => t.name));

  // The demo pairs with its simulated TV on its own; give it time to become ready.
  let status;
  let parsed = null;
  for (const until = Date.now() + 30000; ;) {
    status = await client.callTool({ name: 'tv_status', arguments: {} });
    try { parsed = JSON.parse(text(status)); } catch { parsed = null; }
    if (parsed?.connection === 'ready' || Date.now() > until) break;
    await new Promise((r) => setTimeout(r, 200));
  }
  check(status.isError === false && parsed !== null, `${label}: tv_status answers JSON`, status);
  check(parsed?.connection === 'ready', `${label}: demo TV is ready`, parsed?.connection);

  const volume = await client.callTool({ name: 'tv_volume', arguments: { action: 'set', level: 12 } });
  check(volume.isError === false && text(volume) === 'Volume: 12', `${label}: tv_volume set 12`, volume);

  const mute = await client.callTool({ name: 'tv_mute', arguments: { muted: true } });
  check(mute.isError === false && text(mute) === 'Muted', `${label}: tv_mute`, mute);

  const badLevel = await client.callTool({ name: 'tv_volume', arguments: { action: 'set', level: 150 } });
  check(badLevel.isError === true && text(badLevel) === "'level' must be 0-100", `${label}: invalid argument is a tool error`, badLevel);

  try {
    await client.callTool({ name: 'tv_fly', arguments: {} });
    check(false, `${label}: unknown tool is a protocol error`, 'no error thrown');
  } catch (error) {
    check(error.code === -32602 && String(error.message).includes('Unknown tool: tv_fly'),
      `${label}: unknown tool is a protocol error`, { code: error.code, message: error.message });
  }

  await client.ping();
  check(true, `${label}: ping`);
}

const dir = mkdtempSync(path.join(os.tmpdir(), 'veltrix-interop-'));
const port = await freePort();
const settings = path.join(dir, 'settings.ini');
writeFileSync(settings, `[General]\nmcpPort=${port}\n`);
const env = {
  ...process.env,
  VELTRIX_SETTINGS_FILE: settings,
  VELTRIX_LOG_FILE: path.join(dir, 'app.log'),
  QT_QPA_PLATFORM: 'offscreen',
};

const app = spawn(veltrix, ['--headless', '--demo'], { env, stdio: ['ignore', 'inherit', 'inherit'] });
let appExited = false;
app.on('exit', () => { appExited = true; });

try {
  const listening = await waitForListening(port, app, 20000);
  check(listening, `veltrix --headless --demo listens on 127.0.0.1:${port}`);
  if (!listening) throw new Error('endpoint never came up');

  // HTTP: record every exchange the SDK makes so the transport-level rules can be checked.
  const exchanges = [];
  const recordingFetch = async (url, init) => {
    const response = await fetch(url, init);
    const body = init?.body ? JSON.parse(init.body) : undefined;
    exchanges.push({ method: init?.method ?? 'GET', rpc: body?.method, status: response.status });
    return response;
  };
  const httpClient = new Client({ name: 'veltrix-interop', version: '1.0.0' });
  const httpTransport = new StreamableHTTPClientTransport(new URL(`http://127.0.0.1:${port}/mcp`), { fetch: recordingFetch });
  await httpClient.connect(httpTransport);

  check(LATEST_PROTOCOL_VERSION !== '2025-06-18', `client offers a newer protocol (${LATEST_PROTOCOL_VERSION})`);
  check(httpTransport.protocolVersion === '2025-06-18', 'server answers protocol 2025-06-18', httpTransport.protocolVersion);
  const info = httpClient.getServerVersion();
  check(info?.name === 'veltrix' && info?.title === 'Veltrix (LG webOS TV)' && info?.version === '1.0', 'serverInfo', info);
  check(typeof httpClient.getInstructions() === 'string' && httpClient.getInstructions().includes('tv_status'), 'instructions');
  check(httpClient.getServerCapabilities()?.tools?.listChanged === false, 'capabilities', httpClient.getServerCapabilities());

  // The SDK opens its optional event stream with a GET after initialising.
  const deadline = Date.now() + 3000;
  while (!exchanges.some((e) => e.method === 'GET') && Date.now() < deadline) await new Promise((r) => setTimeout(r, 20));
  const find = (pred) => exchanges.find(pred);
  check(find((e) => e.rpc === 'initialize')?.status === 200, 'initialize: 200', exchanges);
  check(find((e) => e.rpc === 'notifications/initialized')?.status === 202, 'initialized notification: 202', exchanges);
  check(find((e) => e.method === 'GET')?.status === 405, 'GET /mcp: 405', exchanges);

  await exerciseTools(httpClient, 'http');
  await httpClient.close();

  // stdio: the same executable as a bridge to the running endpoint.
  const stdioTransport = new StdioClientTransport({ command: veltrix, args: ['--mcp-stdio'], env, stderr: 'pipe' });
  let bridgeErr = '';
  stdioTransport.stderr?.on('data', (chunk) => { bridgeErr += chunk; });
  const stdioClient = new Client({ name: 'veltrix-interop-stdio', version: '1.0.0' });
  await stdioClient.connect(stdioTransport);
  check(stdioClient.getServerVersion()?.name === 'veltrix', 'stdio: initialize through the bridge');
  await exerciseTools(stdioClient, 'stdio');
  await stdioClient.close();
  check(bridgeErr === '', 'stdio: bridge wrote nothing to stderr', bridgeErr);

  check(!appExited, 'application still running');
} catch (error) {
  failures++;
  console.log(`FAIL ${error?.stack ?? error}`);
} finally {
  if (!appExited) {
    app.kill('SIGTERM');
    await new Promise((resolve) => {
      const timer = setTimeout(() => { app.kill('SIGKILL'); resolve(); }, 5000);
      app.once('exit', () => { clearTimeout(timer); resolve(); });
    });
  }
  if (failures > 0) {
    try { console.log('--- application log ---\n' + readFileSync(path.join(dir, 'app.log'), 'utf8')); } catch { /* none */ }
  }
  rmSync(dir, { recursive: true, force: true });
}

console.log(failures === 0 ? 'interop: all checks passed' : `interop: ${failures} check(s) failed`);
process.exit(failures === 0 ? 0 : 1);
