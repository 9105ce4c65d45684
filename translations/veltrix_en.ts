<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Actions</name>
    <message>
        <source>设置…</source>
        <translation>Settings…</translation>
    </message>
    <message>
        <source>遥控器</source>
        <translation>Remote</translation>
    </message>
    <message>
        <source>应用与输入</source>
        <translation>Apps &amp; Inputs</translation>
    </message>
    <message>
        <source>设备管理</source>
        <translation>Devices</translation>
    </message>
    <message>
        <source>搜索应用</source>
        <translation>Search Apps</translation>
    </message>
    <message>
        <source>重新搜索电视</source>
        <translation>Search for TVs Again</translation>
    </message>
    <message>
        <source>主页</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>迷你遥控器</source>
        <translation>Mini Remote</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>前往</source>
        <translation>Go</translation>
    </message>
    <message>
        <source>电视</source>
        <translation>TV</translation>
    </message>
</context>
<context>
    <name>AppCard</name>
    <message>
        <source>启动</source>
        <translation>Launch</translation>
    </message>
</context>
<context>
    <name>AppsPage</name>
    <message>
        <source>应用与输入</source>
        <translation>Apps &amp; Inputs</translation>
    </message>
    <message>
        <source>启动电视应用或切换输入源</source>
        <translation>Open TV apps or switch inputs</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apps</translation>
    </message>
    <message>
        <source>输入源</source>
        <translation>Inputs</translation>
    </message>
    <message>
        <source>当前输入</source>
        <translation>Current input</translation>
    </message>
    <message>
        <source>搜索应用</source>
        <translation>Search Apps</translation>
    </message>
    <message>
        <source>电视应用</source>
        <translation>TV apps</translation>
    </message>
</context>
<context>
    <name>AppsRules</name>
    <message>
        <source>正在读取应用列表…</source>
        <translation>Reading the app list…</translation>
    </message>
    <message>
        <source>连接电视后显示应用</source>
        <translation>Apps appear once a TV is connected</translation>
    </message>
    <message>
        <source>未连接电视</source>
        <translation>No TV connected</translation>
    </message>
    <message>
        <source>切换到 %1</source>
        <translation>Switch to %1</translation>
    </message>
</context>
<context>
    <name>ConnectionState</name>
    <message>
        <source>未连接</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>连接中</source>
        <translation>Connecting</translation>
    </message>
    <message>
        <source>等待配对</source>
        <translation>Waiting for pairing</translation>
    </message>
    <message>
        <source>已连接</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>唤醒中</source>
        <translation>Waking up</translation>
    </message>
    <message>
        <source>待机</source>
        <translation>Standby</translation>
    </message>
    <message>
        <source>连接失败</source>
        <translation>Connection failed</translation>
    </message>
</context>
<context>
    <name>CoreText</name>
    <message>
        <source>电视证书已变化，请删除后重新配对</source>
        <translation>The TV certificate has changed; remove the TV and pair again</translation>
    </message>
    <message>
        <source>未记录电视 MAC，无法网络唤醒</source>
        <translation>No MAC address recorded for this TV; cannot wake it over the network</translation>
    </message>
    <message>
        <source>唤醒超时，请确认电视已开启网络唤醒</source>
        <translation>Wake-up timed out; check that Wake-on-LAN is enabled on the TV</translation>
    </message>
    <message>
        <source>电视拒绝连接 (%1)</source>
        <translation>The TV refused the connection (%1)</translation>
    </message>
    <message>
        <source>找不到电视的地址 (%1)</source>
        <translation>The TV address cannot be found (%1)</translation>
    </message>
    <message>
        <source>无法到达电视 (%1)</source>
        <translation>The TV cannot be reached (%1)</translation>
    </message>
    <message>
        <source>连接电视超时 (%1)</source>
        <translation>Connecting to the TV timed out (%1)</translation>
    </message>
    <message>
        <source>与电视的加密握手失败 (%1)</source>
        <translation>The encrypted handshake with the TV failed (%1)</translation>
    </message>
    <message>
        <source>电视关闭了连接 (%1)</source>
        <translation>The TV closed the connection (%1)</translation>
    </message>
    <message>
        <source>与电视的连接出错 (%1)</source>
        <translation>The connection to the TV failed (%1)</translation>
    </message>
    <message>
        <source>电视在 %1 秒内未回应连接</source>
        <translation>The TV did not answer the connection within %1 s</translation>
    </message>
    <message>
        <source>无效的电视地址: %1</source>
        <translation>Invalid TV address: %1</translation>
    </message>
    <message>
        <source>TLS 证书指纹不匹配，拒绝连接</source>
        <translation>TLS certificate fingerprint mismatch; connection refused</translation>
    </message>
    <message>
        <source>电视返回了无效的截图地址</source>
        <translation>The TV returned an invalid screenshot address</translation>
    </message>
    <message>
        <source>电视截图下载失败</source>
        <translation>Downloading the TV screenshot failed</translation>
    </message>
    <message>
        <source>电视截图超出大小限制</source>
        <translation>The TV screenshot exceeds the size limit</translation>
    </message>
    <message>
        <source>无法解码电视截图</source>
        <translation>The TV screenshot cannot be decoded</translation>
    </message>
    <message>
        <source>电视返回错误</source>
        <translation>The TV returned an error</translation>
    </message>
    <message>
        <source>连接未打开</source>
        <translation>The connection is not open</translation>
    </message>
    <message>
        <source>配对返回缺少 client-key</source>
        <translation>The pairing reply lacks the client-key</translation>
    </message>
    <message>
        <source>请求失败</source>
        <translation>Request failed</translation>
    </message>
    <message>
        <source>未连接电视</source>
        <translation>No TV connected</translation>
    </message>
    <message>
        <source>电视响应超时</source>
        <translation>The TV did not respond in time</translation>
    </message>
    <message>
        <source>电视处于待机，可用网络唤醒开机</source>
        <translation>The TV is in standby; turn it on with Wake-on-LAN</translation>
    </message>
    <message>
        <source>操作已取消</source>
        <translation>Operation cancelled</translation>
    </message>
    <message>
        <source>LG 电视</source>
        <translation>LG TV</translation>
    </message>
</context>
<context>
    <name>DPadPanel</name>
    <message>
        <source>向上</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>向左</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>向右</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>向下</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>返回</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>主页</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>菜单</source>
        <translation>Menu</translation>
    </message>
</context>
<context>
    <name>DevicePicker</name>
    <message>
        <source>选择电视</source>
        <translation>Choose TV</translation>
    </message>
    <message>
        <source>连接到 %1</source>
        <translation>Connect to %1</translation>
    </message>
</context>
<context>
    <name>DeviceRow</name>
    <message>
        <source>已配对</source>
        <translation>Paired</translation>
    </message>
    <message>
        <source>删除此电视</source>
        <translation>Remove This TV</translation>
    </message>
</context>
<context>
    <name>DevicesPage</name>
    <message>
        <source>添加电视</source>
        <translation>Add TV</translation>
    </message>
    <message>
        <source>设备管理</source>
        <translation>Devices</translation>
    </message>
    <message>
        <source>在同一网络中发现并管理您的 LG 电视</source>
        <translation>Find and manage your LG TVs on the same network</translation>
    </message>
    <message>
        <source>已保存的电视</source>
        <translation>Saved TVs</translation>
    </message>
</context>
<context>
    <name>DiscoveryPanel</name>
    <message>
        <source>手动输入 IP</source>
        <translation>Enter IP Manually</translation>
    </message>
    <message>
        <source>添加并连接</source>
        <translation>Add and Connect</translation>
    </message>
    <message>
        <source>发现的电视</source>
        <translation>TVs found</translation>
    </message>
    <message>
        <source>例如 192.168.1.105</source>
        <translation>for example 192.168.1.105</translation>
    </message>
    <message>
        <source>正在搜索同一网络中的设备…</source>
        <translation>Searching the network for devices…</translation>
    </message>
    <message>
        <source>搜索同一网络中的设备</source>
        <translation>Search the network for devices</translation>
    </message>
    <message>
        <source>搜索中…</source>
        <translation>Searching…</translation>
    </message>
    <message>
        <source>未发现电视，可点击雷达重新搜索或手动输入 IP</source>
        <translation>No TV found; click the radar to search again or enter an IP</translation>
    </message>
    <message>
        <source>LG 电视</source>
        <translation>LG TV</translation>
    </message>
</context>
<context>
    <name>FollowComputer</name>
    <message>
        <source>先关闭电视，再休眠或关机</source>
        <translation>Turning the TV off before sleep or shutdown</translation>
    </message>
</context>
<context>
    <name>InputRow</name>
    <message>
        <source>正在使用</source>
        <translation>In use</translation>
    </message>
    <message>
        <source>未连接</source>
        <translation>Not connected</translation>
    </message>
</context>
<context>
    <name>LaunchOptions</name>
    <message>
        <source>Veltrix：LG webOS 电视遥控器，内置供 AI Agent 使用的 MCP 服务。
不带选项时运行应用：电视会话、位于 http://127.0.0.1:&lt;mcpPort&gt;/mcp 的 MCP 服务、
自动连接和一次扫描。用同一设置文件再次启动时，交给正在运行的实例并退出。</source>
        <translation>Veltrix: a remote control for LG webOS TVs with an MCP server for agents.
Without options it runs the application: the TV session, the MCP server on
http://127.0.0.1:&lt;mcpPort&gt;/mcp, the automatic connection and one scan. A second
launch with the same settings file hands over to the running one and exits.</translation>
    </message>
    <message>
        <source>不显示任何窗口运行（会话、MCP 服务、连接、扫描）。</source>
        <translation>Run without any window (session, MCP server, connection, scan).</translation>
    </message>
    <message>
        <source>在托盘中启动，不打开窗口（登录时启动即如此）；没有托盘时窗口以最小化打开。</source>
        <translation>Start in the tray without opening the window (how the login entry starts it); without a tray the window opens minimised.</translation>
    </message>
    <message>
        <source>本次运行添加一台位于回环地址的模拟电视并连接它。</source>
        <translation>Add a simulated TV on a loopback address for this run and connect to it.</translation>
    </message>
    <message>
        <source>本次运行连接位于 &lt;address&gt; 的电视（同 autoHost 设置）。</source>
        <translation>Connect to the TV at &lt;address&gt; for this run (like the autoHost setting).</translation>
    </message>
    <message>
        <source>在此终端与位于 &lt;address&gt; 的电视配对，保存为所选电视后退出。Veltrix 运行时拒绝执行。</source>
        <translation>Pair with the TV at &lt;address&gt; on this terminal, save it as the selected TV and exit. Refused while Veltrix is running.</translation>
    </message>
    <message>
        <source>与 --pair 同用：电视显示 PIN，由终端询问。</source>
        <translation>With --pair: the TV shows a PIN, which the terminal asks for.</translation>
    </message>
    <message>
        <source>只在标准输入/输出与正在运行的应用的端点之间转接 MCP（需要时启动应用）。优先于所有其他参数。</source>
        <translation>Only bridge MCP between standard input/output and the running application&apos;s endpoint (starting it when needed). Overrides every other argument.</translation>
    </message>
    <message>
        <source>--%1 需要电视的地址，例如 --%1 192.168.1.50</source>
        <translation>--%1 needs the TV&apos;s address, for example --%1 192.168.1.50</translation>
    </message>
    <message>
        <source>--demo 与 --host 不能同时使用</source>
        <translation>--demo and --host exclude each other</translation>
    </message>
    <message>
        <source>--pair 单独运行，不能与 --demo 或 --host 同用</source>
        <translation>--pair runs on its own, without --demo or --host</translation>
    </message>
    <message>
        <source>--background 用于窗口模式，不能与 --headless 或 --pair 同用</source>
        <translation>--background goes with the windows, not with --headless or --pair</translation>
    </message>
    <message>
        <source>--pin 只能与 --pair ADDRESS 同用</source>
        <translation>--pin only goes with --pair ADDRESS</translation>
    </message>
    <message>
        <source>多余的参数：%1</source>
        <translation>unexpected argument: %1</translation>
    </message>
</context>
<context>
    <name>MenuBarPanel</name>
    <message>
        <source>迷你遥控器</source>
        <translation>Mini Remote</translation>
    </message>
    <message>
        <source>打开主窗口</source>
        <translation>Open Main Window</translation>
    </message>
</context>
<context>
    <name>Page</name>
    <message>
        <source>遥控器</source>
        <translation>Remote</translation>
    </message>
    <message>
        <source>应用与输入</source>
        <translation>Apps &amp; Inputs</translation>
    </message>
    <message>
        <source>设备管理</source>
        <translation>Devices</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
</context>
<context>
    <name>PairFlow</name>
    <message>
        <source>请输入电视上显示的 PIN，然后按回车：</source>
        <translation>Type the PIN shown on the TV, then Enter:</translation>
    </message>
    <message>
        <source>正在连接 %1 …
</source>
        <translation>Connecting to %1 ...
</translation>
    </message>
    <message>
        <source>输入在键入 PIN 之前结束了</source>
        <translation>the input ended before a PIN was typed</translation>
    </message>
    <message>
        <source>已取消配对；未保存任何内容。</source>
        <translation>Pairing cancelled; nothing was saved.</translation>
    </message>
    <message>
        <source>已与位于 %3 的 %1%2 配对，它现在是所选电视。</source>
        <translation>Paired with %1%2 at %3; it is now the selected TV.</translation>
    </message>
    <message>
        <source>请在电视屏幕上接受配对请求。</source>
        <translation>Accept the pairing request on the TV&apos;s screen.</translation>
    </message>
    <message>
        <source>电视未接受该 PIN（%1）。请重新输入：</source>
        <translation>The TV did not accept that PIN (%1). Type it again:</translation>
    </message>
    <message>
        <source>与 %1 配对失败：%2</source>
        <translation>Pairing with %1 failed: %2</translation>
    </message>
    <message>
        <source>电视现在出示的证书与配对时保存的不同。如果信任它，请删除此电视（设备管理页）后重新配对。</source>
        <translation>The TV now presents another certificate than the one saved when it was paired. If you trust it, remove this TV (devices page) and pair again.</translation>
    </message>
    <message>
        <source>未保存任何内容。</source>
        <translation>Nothing was saved.</translation>
    </message>
</context>
<context>
    <name>PairingPanel</name>
    <message>
        <source>发现设备</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>电视确认</source>
        <translation>Confirm on TV</translation>
    </message>
    <message>
        <source>连接完成</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>使用 PIN 配对</source>
        <translation>Pair with PIN</translation>
    </message>
    <message>
        <source>提交</source>
        <translation>Submit</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>配对后可自动重新连接</source>
        <translation>Once paired, it reconnects on its own</translation>
    </message>
    <message>
        <source>输入电视上的 PIN</source>
        <translation>Enter the PIN shown on the TV</translation>
    </message>
    <message>
        <source>正在连接 %1</source>
        <translation>Connecting to %1</translation>
    </message>
    <message>
        <source>电视未接受此 PIN：</source>
        <translation>The TV did not accept this PIN: </translation>
    </message>
</context>
<context>
    <name>PairingRules</name>
    <message>
        <source>重新发送配对请求</source>
        <translation>Resend Pairing Request</translation>
    </message>
    <message>
        <source>网络唤醒 (WOL)</source>
        <translation>Wake on LAN</translation>
    </message>
    <message>
        <source>断开连接</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>连接电视</source>
        <translation>Connect TV</translation>
    </message>
</context>
<context>
    <name>PexoRemoteApp</name>
    <message>
        <source>模拟电视无法在 127.0.0.2:3001 上监听（%1）；是否有另一个演示在运行？</source>
        <translation>the simulated TV cannot listen on 127.0.0.2:3001 (%1); is another demo running?</translation>
    </message>
    <message>
        <source>电视 %1</source>
        <translation>TV %1</translation>
    </message>
    <message>
        <source>MCP 正在监听 %1</source>
        <translation>MCP listening on %1</translation>
    </message>
    <message>
        <source>MCP 已停止</source>
        <translation>MCP stopped</translation>
    </message>
    <message>
        <source>MCP 未启动：%1</source>
        <translation>MCP not started: %1</translation>
    </message>
    <message>
        <source>演示：模拟电视位于 %1（1.5 秒后自动批准配对）；它的保存记录在 %2</source>
        <translation>demo: simulated TV at %1 (pairing is approved on its own after 1.5 s); its saved record is in %2</translation>
    </message>
    <message>
        <source>日志：%1</source>
        <translation>log: %1</translation>
    </message>
</context>
<context>
    <name>PowerButton</name>
    <message>
        <source>关机</source>
        <translation>Turn Off</translation>
    </message>
    <message>
        <source>网络唤醒 (WOL)</source>
        <translation>Wake on LAN</translation>
    </message>
</context>
<context>
    <name>PreviewController</name>
    <message>
        <source>连接电视后显示画面</source>
        <translation>The picture appears once a TV is connected</translation>
    </message>
    <message>
        <source>电视已待机</source>
        <translation>The TV is in standby</translation>
    </message>
    <message>
        <source>预览已暂停</source>
        <translation>Preview paused</translation>
    </message>
    <message>
        <source>窗口不可见，预览已暂停</source>
        <translation>Window not visible; preview paused</translation>
    </message>
    <message>
        <source>截图暂不可用，正在重试</source>
        <translation>Screenshot unavailable; retrying</translation>
    </message>
    <message>
        <source>正在获取电视画面…</source>
        <translation>Fetching the TV picture…</translation>
    </message>
</context>
<context>
    <name>RadarView</name>
    <message>
        <source>重新搜索电视</source>
        <translation>Search for TVs Again</translation>
    </message>
</context>
<context>
    <name>RemotePage</name>
    <message>
        <source>遥控器</source>
        <translation>Remote</translation>
    </message>
    <message>
        <source>方向键移动 · 回车确认 · Esc 返回 · 空格播放 · M 静音 · + − 音量</source>
        <translation>Arrows move · Return selects · Esc back · Space plays · M mutes · + − volume</translation>
    </message>
    <message>
        <source>局域网连接</source>
        <translation>Local network</translation>
    </message>
</context>
<context>
    <name>SettingsController</name>
    <message>
        <source>无法识别的 MAC 地址，未保存（格式如 aa:bb:cc:dd:ee:ff）</source>
        <translation>Unrecognised MAC address, not saved (format: aa:bb:cc:dd:ee:ff)</translation>
    </message>
</context>
<context>
    <name>SettingsFollowSection</name>
    <message>
        <source>电脑休眠与唤醒</source>
        <translation>Computer sleep and wake-up</translation>
    </message>
    <message>
        <source>电脑休眠或关机时关闭电视</source>
        <translation>Turn the TV off when the computer sleeps or shuts down</translation>
    </message>
    <message>
        <source>电脑唤醒时打开电视</source>
        <translation>Turn the TV on when the computer wakes up</translation>
    </message>
    <message>
        <source>未在系统总线上找到 systemd-logind，无法得知电脑何时休眠或关机。</source>
        <translation>systemd-logind was not found on the system bus, so the computer cannot tell when it sleeps or shuts down.</translation>
    </message>
</context>
<context>
    <name>SettingsMCPSection</name>
    <message>
        <source>MCP 服务</source>
        <translation>MCP Service</translation>
    </message>
    <message>
        <source>启用</source>
        <translation>Enabled</translation>
    </message>
    <message>
        <source>复制 HTTP 配置</source>
        <translation>Copy HTTP Config</translation>
    </message>
    <message>
        <source>复制 stdio 配置</source>
        <translation>Copy stdio Config</translation>
    </message>
    <message>
        <source>让 AI Agent 通过 Model Context Protocol 控制电视。服务仅监听本机。</source>
        <translation>Lets AI agents control the TV through the Model Context Protocol. The service listens on this computer only.</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>运行中</source>
        <translation>Running</translation>
    </message>
    <message>
        <source>已停止</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>已复制</source>
        <translation>Copied</translation>
    </message>
    <message>
        <source>需要访问令牌</source>
        <translation>Require an access token</translation>
    </message>
    <message>
        <source>复制令牌</source>
        <translation>Copy Token</translation>
    </message>
    <message>
        <source>新的访问令牌只显示这一次；复制的 HTTP 配置已包含它，stdio 配置无需更改。</source>
        <translation>The new access token is shown only this once; the copied HTTP config already contains it, and the stdio config needs no change.</translation>
    </message>
    <message>
        <source>允许 Agent 查看电视画面</source>
        <translation>Let agents see the TV picture</translation>
    </message>
    <message>
        <source>开启后，Agent 可以截取电视当前的画面，截图会发送给 Agent。电视上可能显示私人内容。</source>
        <translation>When on, agents can take a screenshot of the TV, and the picture is sent to the agent. The TV may show private content.</translation>
    </message>
</context>
<context>
    <name>SettingsPage</name>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>电视连接、外观与 MCP 服务</source>
        <translation>TV connection, appearance and MCP service</translation>
    </message>
    <message>
        <source>外观</source>
        <translation>Appearance</translation>
    </message>
    <message>
        <source>跟随系统</source>
        <translation>System</translation>
    </message>
    <message>
        <source>浅色</source>
        <translation>Light</translation>
    </message>
    <message>
        <source>深色</source>
        <translation>Dark</translation>
    </message>
    <message>
        <source>语言跟随系统设置。</source>
        <translation>The language follows the system settings.</translation>
    </message>
    <message>
        <source>菜单栏图标可弹出遥控器，无需打开主窗口。</source>
        <translation>The tray icon opens a remote without the main window.</translation>
    </message>
    <message>
        <source>日志</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>日志：</source>
        <translation>Log: </translation>
    </message>
    <message>
        <source>在文件管理器中显示</source>
        <translation>Show in File Manager</translation>
    </message>
    <message>
        <source>超过 5 MiB 后移至：</source>
        <translation>Over 5 MiB, moves to: </translation>
    </message>
</context>
<context>
    <name>SettingsStartSection</name>
    <message>
        <source>启动</source>
        <translation>Startup</translation>
    </message>
    <message>
        <source>登录时启动</source>
        <translation>Start at login</translation>
    </message>
    <message>
        <source>登录后在托盘中启动，不打开主窗口。</source>
        <translation>After login, starts in the tray without opening the main window.</translation>
    </message>
    <message>
        <source>无法更改登录时启动。%1</source>
        <translation>Cannot change start at login. %1</translation>
    </message>
</context>
<context>
    <name>SettingsTVSection</name>
    <message>
        <source>电视</source>
        <translation>TV</translation>
    </message>
    <message>
        <source>未选择电视</source>
        <translation>No TV selected</translation>
    </message>
    <message>
        <source>在“设备管理”中添加或选择一台电视后，可在这里修改名称和网卡 MAC。</source>
        <translation>Add or select a TV under “Devices” to change its name and MAC address here.</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>电视名称</source>
        <translation>TV name</translation>
    </message>
    <message>
        <source>网卡 MAC</source>
        <translation>MAC address</translation>
    </message>
    <message>
        <source>型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>IP 地址</source>
        <translation>IP address</translation>
    </message>
    <message>
        <source>配对状态</source>
        <translation>Pairing</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>网络唤醒 (WOL)</source>
        <translation>Wake on LAN</translation>
    </message>
    <message>
        <source>删除此电视</source>
        <translation>Remove This TV</translation>
    </message>
    <message>
        <source>已配对</source>
        <translation>Paired</translation>
    </message>
    <message>
        <source>未配对</source>
        <translation>Not paired</translation>
    </message>
</context>
<context>
    <name>StatusDot</name>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
</context>
<context>
    <name>TVCard</name>
    <message>
        <source>查看应用与输入源</source>
        <translation>Apps and inputs</translation>
    </message>
    <message>
        <source>未选择电视</source>
        <translation>No TV selected</translation>
    </message>
</context>
<context>
    <name>TVScreenPreview</name>
    <message>
        <source>电视截图每秒刷新一次，仅在本机显示</source>
        <translation>The TV screenshot refreshes every second and is shown on this computer only</translation>
    </message>
    <message>
        <source>当前电视画面</source>
        <translation>Current TV picture</translation>
    </message>
    <message>
        <source>每秒刷新</source>
        <translation>Refreshes every second</translation>
    </message>
</context>
<context>
    <name>TVSession</name>
    <message>
        <source>主页</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>电视直播</source>
        <translation>Live TV</translation>
    </message>
    <message>
        <source>屏幕保护</source>
        <translation>Screen saver</translation>
    </message>
</context>
<context>
    <name>TouchpadPanel</name>
    <message>
        <source>发送文字</source>
        <translation>Send Text</translation>
    </message>
    <message>
        <source>触控板</source>
        <translation>Touchpad</translation>
    </message>
    <message>
        <source>向电视输入文字</source>
        <translation>Type text on the TV</translation>
    </message>
    <message>
        <source>电视输入框已就绪，输入文字</source>
        <translation>The TV text field is ready; type text</translation>
    </message>
</context>
<context>
    <name>TouchpadSurface</name>
    <message>
        <source>触控板</source>
        <translation>Touchpad</translation>
    </message>
    <message>
        <source>拖动移动 · 点击确认 · 双指滚动</source>
        <translation>Drag to move · click to select · two fingers scroll</translation>
    </message>
</context>
<context>
    <name>TrayController</name>
    <message>
        <source>打开主窗口</source>
        <translation>Open Main Window</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
</context>
<context>
    <name>VolumeBar</name>
    <message>
        <source>音量</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>减小音量</source>
        <translation>Volume Down</translation>
    </message>
    <message>
        <source>增大音量</source>
        <translation>Volume Up</translation>
    </message>
    <message>
        <source>取消静音</source>
        <translation>Unmute</translation>
    </message>
    <message>
        <source>静音</source>
        <translation>Mute</translation>
    </message>
</context>
<context>
    <name>XdgAutostartEntry</name>
    <message>
        <source>无法删除 %1：%2</source>
        <translation>Cannot remove %1: %2</translation>
    </message>
    <message>
        <source>无法创建文件夹 %1</source>
        <translation>Cannot create the folder %1</translation>
    </message>
    <message>
        <source>无法写入 %1：%2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>另一个实例占用 %1，但没有回应：%2</source>
        <translation>another instance holds %1 but does not answer: %2</translation>
    </message>
    <message>
        <source>已有实例使用此设置文件运行；已请它显示到前台</source>
        <translation>already running with this settings file; asked it to come to the front</translation>
    </message>
    <message>
        <source>没有显示器（DISPLAY 和 WAYLAND_DISPLAY 均未设置）；以无窗口方式运行</source>
        <translation>no display (neither DISPLAY nor WAYLAND_DISPLAY is set); running headless</translation>
    </message>
    <message>
        <source>Veltrix 正在使用此设置文件运行；请先退出它再配对。未做任何更改。</source>
        <translation>Veltrix is running with this settings file; quit it first, then pair. Nothing was changed.</translation>
    </message>
</context>
</TS>
