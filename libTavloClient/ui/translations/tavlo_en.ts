<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>AboutTavloDialog</name>
    <message>
        <source>关于Tavlo客户端</source>
        <translation>About Tavlo</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Tavlo客户端  </source>
        <translation>Tavlo client  </translation>
    </message>
    <message>
        <source>编译日期: </source>
        <translation>Built on: </translation>
    </message>
</context>
<context>
    <name>CastControllerWidget</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>此设备不具备Cast功能</source>
        <translation>This device cannot receive a cast</translation>
    </message>
    <message>
        <source>点击Cast到此Tavlo上</source>
        <translation>Click to cast to this Tavlo</translation>
    </message>
    <message>
        <source>&lt; 点击Cast到此Tavlo上</source>
        <translation>&lt; Click to cast to this Tavlo</translation>
    </message>
    <message>
        <source>正在等待连接</source>
        <translation>Waiting for the connection</translation>
    </message>
    <message>
        <source>停止投射</source>
        <translation>Stop casting</translation>
    </message>
    <message>
        <source>暂停投射</source>
        <translation>Pause casting</translation>
    </message>
    <message>
        <source>正在投射</source>
        <translation>Casting</translation>
    </message>
    <message>
        <source>改变屏幕投射比例</source>
        <translation>Change the aspect ratio</translation>
    </message>
    <message>
        <source>恢复投射</source>
        <translation>Resume casting</translation>
    </message>
    <message>
        <source>镜像投射已暂停</source>
        <translation>Casting is paused</translation>
    </message>
    <message>
        <source>正在连接到设备上...</source>
        <translation>Connecting to the device...</translation>
    </message>
    <message>
        <source>Cast已经断开</source>
        <translation>The cast was cut off</translation>
    </message>
    <message>
        <source>Glimmer</source>
        <translation>Glimmer</translation>
    </message>
    <message>
        <source>是否投射镜像到
%1</source>
        <translation>Cast the screen to
%1?</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>DesktopSettings</name>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>设置投射快捷键为&quot;%1&quot;失败,
请在设置中换用其它快捷键.</source>
        <translation>The cast hot key &quot;%1&quot; could not be set up.
Please choose another one in the settings.</translation>
    </message>
</context>
<context>
    <name>DeviceFileActions</name>
    <message>
        <source>提示</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>确定要删除Tavlo上的文件&quot;%1&quot;吗? 删除后无法恢复.</source>
        <translation>Delete &quot;%1&quot; on the Tavlo? It cannot be restored.</translation>
    </message>
</context>
<context>
    <name>FailureText</name>
    <message>
        <source>程序正在退出, 传输已停止</source>
        <translation>stopped: the program is ending</translation>
    </message>
    <message>
        <source>已取消</source>
        <translation>cancelled</translation>
    </message>
    <message>
        <source>无法读取本地文件</source>
        <translation>cannot read the local file</translation>
    </message>
    <message>
        <source>无法写入本地文件</source>
        <translation>cannot write the local file</translation>
    </message>
    <message>
        <source>无法生成请求</source>
        <translation>the request could not be built</translation>
    </message>
    <message>
        <source>无法发送请求</source>
        <translation>the request could not be sent</translation>
    </message>
    <message>
        <source>设备没有应答</source>
        <translation>no answer from the device</translation>
    </message>
    <message>
        <source>应答来自错误的地址或端口</source>
        <translation>answer from a wrong address or port</translation>
    </message>
    <message>
        <source>设备的应答无法解析</source>
        <translation>the answer is not valid JSON</translation>
    </message>
    <message>
        <source>设备拒绝了请求</source>
        <translation>refused by the device</translation>
    </message>
    <message>
        <source>设备拒绝了请求: %1</source>
        <translation>refused by the device: %1</translation>
    </message>
    <message>
        <source>设备的应答无效</source>
        <translation>invalid answer from the device</translation>
    </message>
    <message>
        <source>无法建立数据连接</source>
        <translation>the data connection failed</translation>
    </message>
    <message>
        <source>连接在第 %1 字节处中断</source>
        <translation>the connection broke off at byte %1</translation>
    </message>
    <message>
        <source>连接中断</source>
        <translation>the connection broke off</translation>
    </message>
    <message>
        <source>设备没有发送续传位置</source>
        <translation>the device sent no resume offset</translation>
    </message>
    <message>
        <source>设备发送的续传位置无效</source>
        <translation>the device sent no usable resume offset</translation>
    </message>
    <message>
        <source>设备没有确认文件 (MD5 未确认)</source>
        <translation>the device did not confirm the file (MD5 not confirmed)</translation>
    </message>
    <message>
        <source>设备认为文件有误</source>
        <translation>the device rejected the file</translation>
    </message>
    <message>
        <source>对方没有取走文件</source>
        <translation>the other side never fetched the file</translation>
    </message>
</context>
<context>
    <name>FileDelete</name>
    <message>
        <source>删除文件成功.</source>
        <translation>File deleted.</translation>
    </message>
    <message>
        <source>删除文件失败.</source>
        <translation>The file could not be deleted.</translation>
    </message>
</context>
<context>
    <name>FileListDialog</name>
    <message>
        <source>Tavlo文件</source>
        <translation>Tavlo files</translation>
    </message>
    <message>
        <source>上一层</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>正在读取文件列表...</source>
        <translation>Reading the folder...</translation>
    </message>
    <message>
        <source>此文件夹是空的.</source>
        <translation>This folder is empty.</translation>
    </message>
    <message>
        <source>无法读取文件列表: %1</source>
        <translation>The folder could not be read: %1</translation>
    </message>
</context>
<context>
    <name>FileListView</name>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>下载</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>在Tavlo上打开</source>
        <translation>Open on the Tavlo</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>排序方式</source>
        <translation>Sort by</translation>
    </message>
    <message>
        <source>文件名(升序)</source>
        <translation>Name (A to Z)</translation>
    </message>
    <message>
        <source>文件名(降序)</source>
        <translation>Name (Z to A)</translation>
    </message>
    <message>
        <source>大小(升序)</source>
        <translation>Size (smallest first)</translation>
    </message>
    <message>
        <source>大小(降序)</source>
        <translation>Size (largest first)</translation>
    </message>
    <message>
        <source>修改时间(升序)</source>
        <translation>Date modified (oldest first)</translation>
    </message>
    <message>
        <source>修改时间(降序)</source>
        <translation>Date modified (newest first)</translation>
    </message>
</context>
<context>
    <name>FileOpen</name>
    <message>
        <source>打开文件成功.</source>
        <translation>File opened on the device.</translation>
    </message>
    <message>
        <source>打开文件失败.</source>
        <translation>The file could not be opened.</translation>
    </message>
</context>
<context>
    <name>FileTexts</name>
    <message>
        <source>%1 TB</source>
        <translation>%1 TB</translation>
    </message>
    <message>
        <source>%1 GB</source>
        <translation>%1 GB</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message>
        <source>%1 KB</source>
        <translation>%1 KB</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 bytes</translation>
    </message>
</context>
<context>
    <name>FileTreeModel</name>
    <message>
        <source>文件名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>大小</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>修改时间</source>
        <translation>Date modified</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>目录</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
</context>
<context>
    <name>FileUploadTask</name>
    <message>
        <source>/Tavlo/上传/</source>
        <translation>/Tavlo/上传/</translation>
    </message>
</context>
<context>
    <name>GlimmerTask</name>
    <message>
        <source>密码错误!</source>
        <translation>Wrong password!</translation>
    </message>
    <message>
        <source>服务器回复错误: </source>
        <translation>The device answered with an error: </translation>
    </message>
    <message>
        <source>请输入&quot;%1&quot;的投射密码</source>
        <translation>Enter the cast password of &quot;%1&quot;</translation>
    </message>
    <message>
        <source>密码错误, 请重新输入</source>
        <translation>Wrong password, please try again</translation>
    </message>
    <message>
        <source>无法启动镜像程序 %1.</source>
        <translation>The mirroring program %1 could not be started.</translation>
    </message>
</context>
<context>
    <name>LogDialog</name>
    <message>
        <source>TavloClient调试窗口</source>
        <translation>Tavlo client debug window</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Tavlo客户端</source>
        <translation>Tavlo client</translation>
    </message>
    <message>
        <source>V</source>
        <translation>V</translation>
    </message>
    <message>
        <source>菜单</source>
        <translation>Menu</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>设备</source>
        <translation>Devices</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>上传到机密盘</source>
        <translation>Upload to secure storage</translation>
    </message>
    <message>
        <source>传输</source>
        <translation>Transfers</translation>
    </message>
    <message>
        <source>Ctrl+D, Ctrl+B, Ctrl+B, Ctrl+G</source>
        <translation>Ctrl+D, Ctrl+B, Ctrl+B, Ctrl+G</translation>
    </message>
    <message>
        <source>最近文件</source>
        <translation>Recent files</translation>
    </message>
    <message>
        <source>微软雅黑</source>
        <translation>微软雅黑</translation>
    </message>
    <message>
        <source>手动添加设备</source>
        <translation>Add a device by address</translation>
    </message>
    <message>
        <source>上传文件</source>
        <translation>Upload a file</translation>
    </message>
    <message>
        <source>上传多个文件</source>
        <translation>Upload files</translation>
    </message>
    <message>
        <source>设置欢迎辞</source>
        <translation>Set the welcome text</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Note</translation>
    </message>
    <message numerus="yes">
        <source>还有 %n 个传输正在进行.
退出会中止它们, 确定要退出吗?</source>
        <translation>
            <numerusform>%n transfer is still running.
Quitting stops it. Quit anyway?</numerusform>
            <numerusform>%n transfers are still running.
Quitting stops them. Quit anyway?</numerusform>
        </translation>
    </message>
    <message>
        <source>开始扫描服务器!</source>
        <translation>Looking for devices!</translation>
    </message>
    <message>
        <source>查找结束,总共找到 %1 个设备.</source>
        <translation>Search finished: %1 device(s) found.</translation>
    </message>
    <message numerus="yes">
        <source>没有找到设备, 无法发送 %n 个文件.
请在找到设备后再发送.</source>
        <translation>
            <numerusform>No device found: %n file was not sent.
Please send it once a device is found.</numerusform>
            <numerusform>No device found: %n files were not sent.
Please send them once a device is found.</numerusform>
        </translation>
    </message>
    <message>
        <source>找到服务器&quot;</source>
        <translation>Found &quot;</translation>
    </message>
    <message>
        <source>&quot;</source>
        <translation>&quot;</translation>
    </message>
    <message>
        <source>服务器&quot;</source>
        <translation>Device &quot;</translation>
    </message>
    <message>
        <source>&quot;下线</source>
        <translation>&quot; went offline</translation>
    </message>
    <message>
        <source>选择要上传到Tavlo的文件.</source>
        <translation>Choose a file to upload to the Tavlo.</translation>
    </message>
    <message>
        <source>选择要上传到Tavlo的一个到多个文件.</source>
        <translation>Choose one or more files to upload to the Tavlo.</translation>
    </message>
    <message>
        <source>是否下载来自 </source>
        <translation>Download the file </translation>
    </message>
    <message>
        <source> 的文件：</source>
        <translation> offers: </translation>
    </message>
    <message>
        <source>?</source>
        <translation>?</translation>
    </message>
    <message>
        <source>无法保存来自 %1 的文件.</source>
        <translation>The file from %1 cannot be saved.</translation>
    </message>
</context>
<context>
    <name>ManualDevicesManageDialog</name>
    <message>
        <source>手动添加设备</source>
        <translation>Add a device by address</translation>
    </message>
    <message>
        <source>已添加的设备:</source>
        <translation>Devices added:</translation>
    </message>
    <message>
        <source>双击设备以移除.</source>
        <translation>Double-click a device to remove it.</translation>
    </message>
    <message>
        <source>添加设备</source>
        <translation>Add a device</translation>
    </message>
    <message>
        <source>IP地址:</source>
        <translation>IP address:</translation>
    </message>
    <message>
        <source>端口:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>无效的ip地址.</source>
        <translation>Invalid IP address.</translation>
    </message>
    <message>
        <source>无效的端口.</source>
        <translation>Invalid port.</translation>
    </message>
    <message>
        <source>添加失败, 这个ip地址已经存在.</source>
        <translation>Not added: this IP address is already there.</translation>
    </message>
    <message>
        <source>删除失败</source>
        <translation>Could not remove it</translation>
    </message>
</context>
<context>
    <name>ProgressDockWidget</name>
    <message>
        <source>清除全部</source>
        <translation>Clear all</translation>
    </message>
    <message>
        <source>还没有传输.
上传和下载的文件会显示在这里.</source>
        <translation>No transfers yet.
Uploads and downloads show up here.</translation>
    </message>
    <message>
        <source>上传文件:</source>
        <translation>Upload:</translation>
    </message>
    <message>
        <source>下载文件:</source>
        <translation>Download:</translation>
    </message>
    <message>
        <source>机密上传:</source>
        <translation>Secure upload:</translation>
    </message>
    <message>
        <source>失败. 原因: </source>
        <translation> failed. Reason: </translation>
    </message>
    <message>
        <source>成功.</source>
        <translation> done.</translation>
    </message>
</context>
<context>
    <name>ProgressWidget</name>
    <message>
        <source>在本地打开</source>
        <translation>Open here</translation>
    </message>
    <message>
        <source>打开所在目录</source>
        <translation>Open the folder</translation>
    </message>
    <message>
        <source>在Tavlo上删除</source>
        <translation>Delete on the Tavlo</translation>
    </message>
    <message>
        <source>在Tavlo上打开</source>
        <translation>Open on the Tavlo</translation>
    </message>
    <message>
        <source>重新下载/上传</source>
        <translation>Try again</translation>
    </message>
</context>
<context>
    <name>RecentFilesDialog</name>
    <message>
        <source>最近文件</source>
        <translation>Recent files</translation>
    </message>
    <message>
        <source>删除记录</source>
        <translation>Remove the record</translation>
    </message>
    <message>
        <source>清空记录</source>
        <translation>Clear the records</translation>
    </message>
    <message>
        <source>还没有与此设备的传输记录.
把文件拖到上面的设备卡片上即可上传.</source>
        <translation>No transfers with this device yet.
Drop files on the device card above to upload them.</translation>
    </message>
    <message>
        <source>未找到设备.&lt;br&gt;设备在其他网段时, 可以在菜单的&lt;a href=&quot;#add&quot;&gt;手动添加设备&lt;/a&gt;中按IP地址添加.</source>
        <translation>No device found.&lt;br&gt;A device in another network can be added by its IP address under &lt;a href=&quot;#add&quot;&gt;Add a device by address&lt;/a&gt; in the menu.</translation>
    </message>
</context>
<context>
    <name>RecentFilesListView</name>
    <message>
        <source>删除记录</source>
        <translation>Remove the record</translation>
    </message>
    <message>
        <source>清空记录</source>
        <translation>Clear the records</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>在本地打开</source>
        <translation>Open here</translation>
    </message>
    <message>
        <source>打开所在目录</source>
        <translation>Open the folder</translation>
    </message>
    <message>
        <source>在Tavlo上删除</source>
        <translation>Delete on the Tavlo</translation>
    </message>
    <message>
        <source>在Tavlo上打开</source>
        <translation>Open on the Tavlo</translation>
    </message>
</context>
<context>
    <name>RecentFilesModel</name>
    <message>
        <source>文件名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>上传/下载</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>操作时间</source>
        <translation>When</translation>
    </message>
    <message>
        <source>下载</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>机密上传</source>
        <translation>Secure upload</translation>
    </message>
    <message>
        <source>上传</source>
        <translation>Upload</translation>
    </message>
</context>
<context>
    <name>SalutatorySetter</name>
    <message>
        <source>设置欢迎辞成功.</source>
        <translation>Welcome text set.</translation>
    </message>
    <message>
        <source>设置欢迎辞失败.</source>
        <translation>The welcome text could not be set.</translation>
    </message>
</context>
<context>
    <name>SalutatorySetting</name>
    <message>
        <source>欢迎辞设置</source>
        <translation>Welcome text</translation>
    </message>
    <message>
        <source>欢迎辞</source>
        <translation>Welcome text</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>设备: %1</source>
        <translation>Device: %1</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>欢迎辞内容不能为空!</source>
        <translation>The welcome text cannot be empty!</translation>
    </message>
</context>
<context>
    <name>ServerContentWidget</name>
    <message>
        <source>Tavlo1-A1</source>
        <translation>Tavlo1-A1</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>拖动文件到此上传 ↑</source>
        <translation>Drop files here to upload ↑</translation>
    </message>
    <message>
        <source>正在查找设备...</source>
        <translation>Looking for devices...</translation>
    </message>
    <message>
        <source>客户端</source>
        <translation>PC client</translation>
    </message>
    <message>
        <source>Tavlo服务器</source>
        <translation>Tavlo device</translation>
    </message>
</context>
<context>
    <name>SettingDialog</name>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>客户端名字</source>
        <translation>Client name</translation>
    </message>
    <message>
        <source>下载文件路径</source>
        <translation>Download folder</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>投射快捷键</source>
        <translation>Cast hot key</translation>
    </message>
    <message>
        <source>重置</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>在输入框中按下新的快捷键.</source>
        <translation>Press the new hot key in the field.</translation>
    </message>
    <message>
        <source>投射镜像前确认</source>
        <translation>Confirm before casting</translation>
    </message>
    <message>
        <source>开机启动</source>
        <translation>Start with the computer</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>请选择文件夹</source>
        <translation>Choose a folder</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>客户端名字不能为空！</source>
        <translation>The client name cannot be empty!</translation>
    </message>
    <message>
        <source>下载路径不能为空！</source>
        <translation>The download folder cannot be empty!</translation>
    </message>
    <message>
        <source>设置用户名错误</source>
        <translation>The client name could not be set</translation>
    </message>
    <message>
        <source>设置下载地址错误</source>
        <translation>The download folder could not be set</translation>
    </message>
    <message>
        <source>设置投射快捷键错误</source>
        <translation>The cast hot key could not be set</translation>
    </message>
</context>
<context>
    <name>TrayIconMenu</name>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Use in startup progress.</source>
        <translation>Start hidden in the tray.</translation>
    </message>
</context>
</TS>
