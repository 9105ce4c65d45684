// Drives a running "veltrix --headless --demo" with the official MCP TypeScript SDK client,
// over HTTP and over "--mcp-stdio". Usage: node interop.mjs <path to veltrix>
// Exit 0 on success, 77 when it cannot run here (no node_modules, no executable), 1 on failure.
import { spawn } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { isDeepStrictEqual } from 'node:util';

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
const READ_ONLY = ['tv_status', 'tv_list_devices', 'tv_list_apps', 'tv_list_inputs', 'tv_screenshot'];
// The demo TV's frame.
const FRAME = { width: 1920, height: 1080 };

// Width and height from a JPEG's start-of-frame segment; null when there is none.
function jpegSize(bytes) {
  if (bytes.length < 4 || bytes[0] !== 0xff || bytes[1] !== 0xd8) return null;
  let at = 2;
  while (at + 9 < bytes.length) {
    if (bytes[at] !== 0xff) return null;
    const marker = bytes[at + 1];
    const length = bytes.readUInt16BE(at + 2);
    if (marker >= 0xc0 && marker <= 0xcf && marker !== 0xc4 && marker !== 0xc8 && marker !== 0xcc) {
      return { height: bytes.readUInt16BE(at + 5), width: bytes.readUInt16BE(at + 7) };
    }
    at += 2 + length;
  }
  return null;
}

async function checkScreenshot(client, label, maxWidth) {
  const result = await client.callTool({ name: 'tv_screenshot', arguments: maxWidth === undefined ? {} : { maxWidth } });
  const image = result.content?.find((c) => c.type === 'image');
  const note = result.content?.find((c) => c.type === 'text')?.text ?? '';
  const size = image ? jpegSize(Buffer.from(image.data, 'base64')) : null;
  const width = Math.min(maxWidth ?? 1280, FRAME.width);
  const expected = { width, height: Math.round(FRAME.height * width / FRAME.width) };
  check(result.isError === false && image?.mimeType === 'image/jpeg' && isDeepStrictEqual(size, expected)
      && note.includes(`${expected.width}x${expected.height} JPEG (captured at ${FRAME.width}x${FRAME.height})`) && note.includes('Foreground app: '),
    `${label}: tv_screenshot maxWidth ${maxWidth ?? 'default'} gives ${expected.width}x${expected.height}`, { size, note, isError: result.isError });
}
// Each data tool's text and its structured content carry the same data; lists sit under a name.
const DATA_TOOLS = { tv_status: null, tv_list_devices: 'devices', tv_list_apps: 'apps', tv_list_inputs: 'inputs' };

function checkAnnotations(tools, label) {
  for (const tool of tools) {
    const a = tool.annotations ?? {};
    const ok = typeof tool.title === 'string' && tool.title.length > 0
      && a.readOnlyHint === READ_ONLY.includes(tool.name)
      && a.destructiveHint === (tool.name === 'tv_power')
      && typeof a.idempotentHint === 'boolean'
      && a.openWorldHint === false
      && (tool.name in DATA_TOOLS) === (tool.outputSchema?.type === 'object');
    check(ok, `${label}: ${tool.name} title, annotations and output schema`, { title: tool.title, annotations: a, outputSchema: tool.outputSchema });
  }
}

// The SDK client validates structuredContent against the listed outputSchema and throws on a
// mismatch; this also checks that the text says the same.
async function callData(client, label, name) {
  const result = await client.callTool({ name, arguments: {} });
  let parsed = null;
  try { parsed = JSON.parse(text(result)); } catch { parsed = null; }
  const key = DATA_TOOLS[name];
  const expected = key ? { [key]: parsed } : parsed;
  check(result.isError === false && isDeepStrictEqual(result.structuredContent, expected),
    `${label}: ${name} structured content matches its text`, result);
  return parsed;
}

// The tool calls both transports make against the simulated TV.
async function exerciseTools(client, label) {
  const { tools } = await client.listTools();
  const names = [...TOOL_NAMES, 'tv_screenshot'];
  check(tools.length === 16, `${label}: tools/list returns 16 tools`, tools.length);
  check(JSON.stringify(tools.map((t) => t.name)) === JSON.stringify(names), `${label}: tool order`, tools.map((t) => t.name));
  checkAnnotations(tools, label);

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
  check(isDeepStrictEqual(status.structuredContent, parsed), `${label}: tv_status structured content`, status.structuredContent);

  const devices = await callData(client, label, 'tv_list_devices');
  const apps = await callData(client, label, 'tv_list_apps');
  const inputs = await callData(client, label, 'tv_list_inputs');
  const host = devices?.find((d) => d.selected)?.host;
  const select = await client.callTool({ name: 'tv_select_device', arguments: { device: host ?? '' } });
  check(select.isError === false && text(select).startsWith('Connected to '), `${label}: tv_select_device`, select);
  const launch = await client.callTool({ name: 'tv_launch_app', arguments: { app: apps?.[0]?.id ?? '' } });
  check(launch.isError === false && text(launch).startsWith('Launched '), `${label}: tv_launch_app`, launch);
  const input = await client.callTool({ name: 'tv_switch_input', arguments: { input: inputs?.[0]?.id ?? '' } });
  check(input.isError === false && text(input).startsWith('Switched to '), `${label}: tv_switch_input`, input);
  const actions = [
    ['tv_press_button', { button: 'home' }, 'Pressed HOME'],
    ['tv_media', { action: 'pause' }, 'Media pause'],
    ['tv_channel', { action: 'up' }, 'Channel up'],
    ['tv_notify', { message: 'Veltrix interop' }, 'Notification shown'],
    ['tv_power', { action: 'on' }, 'TV is already on'],
  ];
  for (const [name, args, expected] of actions) {
    const result = await client.callTool({ name, arguments: args });
    check(result.isError === false && text(result) === expected, `${label}: ${name}`, result);
  }
  const typed = await client.callTool({ name: 'tv_input_text', arguments: { text: 'hi' } });
  check(typed.isError === false && text(typed).startsWith('Typed 2 characters'), `${label}: tv_input_text`, typed);

  await checkScreenshot(client, label);
  await checkScreenshot(client, label, 160);
  await checkScreenshot(client, label, 1920);
  const badWidth = await client.callTool({ name: 'tv_screenshot', arguments: { maxWidth: 100 } });
  check(badWidth.isError === true && text(badWidth) === "'maxWidth' must be an integer from 160 to 1920", `${label}: tv_screenshot bad maxWidth`, badWidth);

  // Off and on again: in standby the picture is refused with a clear text.
  const off = await client.callTool({ name: 'tv_power', arguments: { action: 'off' } });
  check(off.isError === false && text(off) === 'TV turned off (standby)', `${label}: tv_power off`, off);
  const dark = await client.callTool({ name: 'tv_screenshot', arguments: {} });
  check(dark.isError === true && text(dark).includes('standby'), `${label}: tv_screenshot in standby`, dark);
  const on = await client.callTool({ name: 'tv_power', arguments: { action: 'on' } });
  check(on.isError === false && text(on) === 'TV is on', `${label}: tv_power on`, on);

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
const env = {
  ...process.env,
  VELTRIX_SETTINGS_FILE: settings,
  VELTRIX_LOG_FILE: path.join(dir, 'app.log'),
  QT_QPA_PLATFORM: 'offscreen',
};

let app = null;
let appExited = false;
async function startApp(screenshots) {
  writeFileSync(settings, `[General]\nmcpPort=${port}\nmcpScreenshots=${screenshots}\n`);
  appExited = false;
  app = spawn(veltrix, ['--headless', '--demo'], { env, stdio: ['ignore', 'inherit', 'inherit'] });
  app.on('exit', () => { appExited = true; });
  const listening = await waitForListening(port, app, 20000);
  check(listening, `veltrix --headless --demo (screenshots ${screenshots ? 'on' : 'off'}) listens on 127.0.0.1:${port}`);
  if (!listening) throw new Error('endpoint never came up');
}
async function stopApp() {
  if (!app || appExited) return;
  app.kill('SIGTERM');
  await new Promise((resolve) => {
    const timer = setTimeout(() => { app.kill('SIGKILL'); resolve(); }, 5000);
    app.once('exit', () => { clearTimeout(timer); resolve(); });
  });
}

try {
  // Screenshots off (the default): the fifteen tools, and the sixteenth does not exist.
  await startApp(false);
  {
    const client = new Client({ name: 'veltrix-interop-off', version: '1.0.0' });
    await client.connect(new StreamableHTTPClientTransport(new URL(`http://127.0.0.1:${port}/mcp`)));
    const { tools } = await client.listTools();
    check(JSON.stringify(tools.map((t) => t.name)) === JSON.stringify(TOOL_NAMES), 'screenshots off: the fifteen tools', tools.map((t) => t.name));
    try {
      await client.callTool({ name: 'tv_screenshot', arguments: {} });
      check(false, 'screenshots off: tv_screenshot is an unknown tool', 'no error thrown');
    } catch (error) {
      check(error.code === -32602 && String(error.message).includes('Unknown tool: tv_screenshot'),
        'screenshots off: tv_screenshot is an unknown tool', { code: error.code, message: error.message });
    }
    await client.close();
  }
  await stopApp();

  await startApp(true);
  // HTTP: record every exchange the SDK makes so the transport-level rules can be checked.
  const exchanges = [];
  const recordingFetch = async (url, init) => {
    const response = await fetch(url, init);
    const body = init?.body ? JSON.parse(init.body) : undefined;
    const headers = new Headers(init?.headers);
    exchanges.push({ method: init?.method ?? 'GET', rpc: body?.method, status: response.status, version: headers.get('mcp-protocol-version') });
    return response;
  };
  const httpClient = new Client({ name: 'veltrix-interop', version: '1.0.0' });
  const httpTransport = new StreamableHTTPClientTransport(new URL(`http://127.0.0.1:${port}/mcp`), { fetch: recordingFetch });
  await httpClient.connect(httpTransport);

  check(LATEST_PROTOCOL_VERSION === '2025-11-25', `client offers protocol 2025-11-25 (${LATEST_PROTOCOL_VERSION})`);
  check(httpTransport.protocolVersion === '2025-11-25', 'server answers protocol 2025-11-25', httpTransport.protocolVersion);
  const info = httpClient.getServerVersion();
  check(info?.name === 'veltrix' && info?.title === 'Veltrix (LG webOS TV)' && info?.version === '1.0', 'serverInfo', info);
  check(typeof httpClient.getInstructions() === 'string' && httpClient.getInstructions().includes('tv_status'), 'instructions');
  check(httpClient.getServerCapabilities()?.tools?.listChanged === true, 'capabilities', httpClient.getServerCapabilities());

  // The SDK opens its event stream with a GET after initialising; the server keeps it open
  // for notifications.
  const deadline = Date.now() + 3000;
  while (!exchanges.some((e) => e.method === 'GET') && Date.now() < deadline) await new Promise((r) => setTimeout(r, 20));
  const find = (pred) => exchanges.find(pred);
  check(find((e) => e.rpc === 'initialize')?.status === 200, 'initialize: 200', exchanges);
  check(find((e) => e.rpc === 'notifications/initialized')?.status === 202, 'initialized notification: 202', exchanges);
  check(find((e) => e.method === 'GET')?.status === 200, 'GET /mcp: event stream', exchanges);

  await exerciseTools(httpClient, 'http');
  const afterInit = exchanges.filter((e) => e.rpc !== 'initialize');
  check(afterInit.length > 0 && afterInit.every((e) => e.version === '2025-11-25'), 'every later request names 2025-11-25', afterInit.filter((e) => e.version !== '2025-11-25'));
  await httpClient.close();

  // A revision the server does not know: 400 with a JSON-RPC error, as the transport demands.
  const refused = await fetch(`http://127.0.0.1:${port}/mcp`, {
    method: 'POST',
    headers: { 'content-type': 'application/json', accept: 'application/json, text/event-stream', 'mcp-protocol-version': '2099-01-01' },
    body: JSON.stringify({ jsonrpc: '2.0', id: 1, method: 'ping' }),
  });
  const refusedBody = await refused.json().catch(() => null);
  check(refused.status === 400 && refusedBody?.error?.code === -32600, 'unsupported MCP-Protocol-Version: 400', { status: refused.status, body: refusedBody });

  // stdio: the same executable as a bridge to the running endpoint.
  const stdioTransport = new StdioClientTransport({ command: veltrix, args: ['--mcp-stdio'], env, stderr: 'pipe' });
  let bridgeErr = '';
  stdioTransport.stderr?.on('data', (chunk) => { bridgeErr += chunk; });
  const stdioClient = new Client({ name: 'veltrix-interop-stdio', version: '1.0.0' });
  await stdioClient.connect(stdioTransport);
  check(stdioClient.getServerVersion()?.name === 'veltrix', 'stdio: initialize through the bridge');
  check(stdioTransport.protocolVersion === undefined || stdioTransport.protocolVersion === '2025-11-25', 'stdio: protocol 2025-11-25');
  await exerciseTools(stdioClient, 'stdio');
  await stdioClient.close();
  check(bridgeErr === '', 'stdio: bridge wrote nothing to stderr', bridgeErr);

  check(!appExited, 'application still running');
} catch (error) {
  failures++;
  console.log(`FAIL ${error?.stack ?? error}`);
} finally {
  await stopApp();
  if (failures > 0) {
    try { console.log('--- application log ---\n' + readFileSync(path.join(dir, 'app.log'), 'utf8')); } catch { /* none */ }
  }
  rmSync(dir, { recursive: true, force: true });
}

console.log(failures === 0 ? 'interop: all checks passed' : `interop: ${failures} check(s) failed`);
process.exit(failures === 0 ? 0 : 1);
