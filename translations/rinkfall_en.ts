<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>Login</name>
    <message>
        <source>Code:Rinkfallログイン</source>
        <translation>Code:Rinkfall Login</translation>
    </message>
    <message>
        <source>Code:Rinkfallへようこそ！</source>
        <translation>Welcome to Code:Rinkfall!</translation>
    </message>
    <message>
        <source>説明</source>
        <translation>Instructions</translation>
    </message>
    <message>
        <source>アクセス</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>ログイン</source>
        <translation>Log in</translation>
    </message>
    <message>
        <source>登録</source>
        <translation>Register</translation>
    </message>
    <message>
        <source>個人練習</source>
        <translation>Practice</translation>
    </message>
    <message>
        <source>試合</source>
        <translation>Match</translation>
    </message>
    <message>
        <source>①アクセスボタンを押して下さい。</source>
        <translation>① Press Connect.</translation>
    </message>
    <message>
        <source>②登録 または ログインを押してください。</source>
        <translation>② Press Register or Log in.</translation>
    </message>
    <message>
        <source>②バージョンアップをしてください。</source>
        <translation>② Please update the game.</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
</context>
<context>
    <name>MatchDialog</name>
    <message>
        <source>試合の設定</source>
        <translation>Match Settings</translation>
    </message>
    <message>
        <source>コンピューター（弱い）</source>
        <translation>Computer (easy)</translation>
    </message>
    <message>
        <source>コンピューター（普通）</source>
        <translation>Computer (normal)</translation>
    </message>
    <message>
        <source>コンピューター（強い）</source>
        <translation>Computer (hard)</translation>
    </message>
    <message>
        <source>二人で対戦（同じキーボード）</source>
        <translation>Two players (same keyboard)</translation>
    </message>
    <message>
        <source>フリーガードゾーン</source>
        <translation>Free guard zone</translation>
    </message>
    <message>
        <source>開始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>やめる</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>相手</source>
        <translation>Opponent</translation>
    </message>
    <message>
        <source>エンド数</source>
        <translation>Ends</translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>上下の視点操作を反転する</source>
        <translation>Invert vertical look</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>サーバーのアドレス</source>
        <translation>Server address</translation>
    </message>
    <message>
        <source>音量</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>マウス感度</source>
        <translation>Mouse sensitivity</translation>
    </message>
    <message>
        <source>サーバーのアドレスは http://example.org:8080 のように、http:// か https:// とホスト名（とポート番号）で入力してください。</source>
        <translation>Enter the server address as http:// or https:// and a host name (and port), like http://example.org:8080.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>エラーのため終了します。
%1</source>
        <translation>The game stops because of an error.
%1</translation>
    </message>
    <message>
        <source>ゲーム画面はこのビルドに含まれていません。</source>
        <translation>This build does not include the game window.</translation>
    </message>
</context>
</TS>
