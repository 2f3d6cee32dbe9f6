<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>Field</name>
    <message>
        <source>弱い</source>
        <translation>easy</translation>
    </message>
    <message>
        <source>強い</source>
        <translation>hard</translation>
    </message>
    <message>
        <source>普通</source>
        <translation>normal</translation>
    </message>
    <message>
        <source>・</source>
        <translation>*</translation>
    </message>
    <message>
        <source>赤</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>黄</source>
        <translation>Yellow</translation>
    </message>
    <message>
        <source>エンド</source>
        <translation>End</translation>
    </message>
    <message>
        <source>計</source>
        <translation>Tot</translation>
    </message>
    <message>
        <source>残</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>%1CPU</source>
        <translation>%1 AI</translation>
    </message>
    <message>
        <source>%1あなた</source>
        <translation>%1 (you)</translation>
    </message>
    <message>
        <source>第%1エンド（全%2エンド）</source>
        <translation>End %1 of %2</translation>
    </message>
    <message>
        <source>赤 %1 － %2 黄</source>
        <translation>Red %1 - %2 Yellow</translation>
    </message>
    <message>
        <source>%1が%2点（得点したストーンに輪の印）</source>
        <translation>%1 scores %2 (scoring stones are ringed)</translation>
    </message>
    <message>
        <source>ブランクエンド（0点）</source>
        <translation>Blank end (no score)</translation>
    </message>
    <message>
        <source>第%1エンド終了&#x3000;%2</source>
        <translation>End %1 over:  %2</translation>
    </message>
    <message>
        <source>合計&#x3000;%1</source>
        <translation>Total:  %1</translation>
    </message>
    <message>
        <source>スペース：結果へ</source>
        <translation>Space: see the result</translation>
    </message>
    <message>
        <source>スペース：次のエンドへ&#x3000;Ｅｓｃ：試合をやめる</source>
        <translation>Space: next end  Esc: leave the match</translation>
    </message>
    <message>
        <source>試合終了</source>
        <translation>Match over</translation>
    </message>
    <message>
        <source>%1の勝ち</source>
        <translation>%1 wins</translation>
    </message>
    <message>
        <source>引き分け</source>
        <translation>Draw</translation>
    </message>
    <message>
        <source>もう一度</source>
        <translation>Play again</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Ａ／Ｄ：選ぶ&#x3000;スペース：決定&#x3000;Ｅｓｃ：終了</source>
        <translation>A/D: choose  Space: confirm  Esc: quit</translation>
    </message>
    <message>
        <source>試合をやめますか？</source>
        <translation>Leave the match?</translation>
    </message>
    <message>
        <source>スペース：やめる（ゲームを終了）</source>
        <translation>Space: leave (the game ends)</translation>
    </message>
    <message>
        <source>Ｅｓｃ：試合を続ける</source>
        <translation>Esc: keep playing</translation>
    </message>
    <message>
        <source>%1&#x3000;%2の番</source>
        <translation>%1  %2 to throw</translation>
    </message>
    <message>
        <source>&#x3000;直前の投球&#x3000;%1</source>
        <translation>  Last stone: %1</translation>
    </message>
    <message>
        <source>コンピューター（%1）が投げています</source>
        <translation>The computer (%1) is throwing</translation>
    </message>
    <message>
        <source>Ｅｓｃ：試合をやめる</source>
        <translation>Esc: leave the match</translation>
    </message>
    <message>
        <source>フェイズ：自&#x3000;カメラ：フリーモード</source>
        <translation>Your turn  Camera: free view</translation>
    </message>
    <message>
        <source>マウス／視線移動&#x3000;左クリック：ハウス⇔投げ位置&#x3000;右クリック：距離変更</source>
        <translation>Mouse: look around  Left click: house ⇔ throwing spot  Right click: distance</translation>
    </message>
    <message>
        <source>キー&#x3000;／ＷＳＡＤ：視点移動&#x3000;スペース：シュートモードへ</source>
        <translation>Keys: WSAD: move the view  Space: to shooting mode</translation>
    </message>
    <message>
        <source>フェイズ：自&#x3000;カメラ：シュートモード&#x3000;ポジション決め</source>
        <translation>Your turn  Camera: shooting mode  Set the position</translation>
    </message>
    <message>
        <source>マウス／視線移動&#x3000;左クリック：ズーム&#x3000;右クリック：ハウス確認</source>
        <translation>Mouse: look around  Left click: zoom  Right click: look at the house</translation>
    </message>
    <message>
        <source>キー&#x3000;／Ａ：左移動&#x3000;Ｄ：右移動&#x3000;スペース：スピン決めへ&#x3000;Ｗ：位置リセット</source>
        <translation>Keys: A: left  D: right  Space: to the spin  W: reset the position</translation>
    </message>
    <message>
        <source>フェイズ：自&#x3000;カメラ：シュートモード&#x3000;スピン決め</source>
        <translation>Your turn  Camera: shooting mode  Set the spin</translation>
    </message>
    <message>
        <source>キー&#x3000;／Ａ：左回転&#x3000;Ｄ：右回転&#x3000;スペース：パワー決めへ&#x3000;Ｗ：スピンリセット&#x3000;Ｓ：戻る</source>
        <translation>Keys: A: spin left  D: spin right  Space: to the power  W: reset the spin  S: back</translation>
    </message>
    <message>
        <source>フェイズ：自&#x3000;カメラ：シュートモード&#x3000;パワー決め</source>
        <translation>Your turn  Camera: shooting mode  Set the power</translation>
    </message>
    <message>
        <source>キー&#x3000;／Ａ：弱く&#x3000;Ｄ：強く&#x3000;スペース：シュート&#x3000;Ｗ：パワーリセット&#x3000;Ｓ：戻る</source>
        <translation>Keys: A: softer  D: harder  Space: shoot  W: reset the power  S: back</translation>
    </message>
    <message>
        <source>フェイズ：自&#x3000;カメラ：シュートモード&#x3000;レディー</source>
        <translation>Your turn  Camera: shooting mode  Ready</translation>
    </message>
    <message>
        <source>スペースを押し続けてください。バランストライアングルが回転し、キーを離すと止まります。</source>
        <translation>Hold down Space: the balance triangle turns, and stops when you let go.</translation>
    </message>
    <message>
        <source>フェイズ：自&#x3000;カメラ：シュートモード&#x3000;シューティング</source>
        <translation>Your turn  Camera: shooting mode  Shooting</translation>
    </message>
    <message>
        <source>スペースキーを離すと、バランスを決定します。上下はパワーに、左右は回転に影響します。</source>
        <translation>Let go of Space to set the balance: up and down change the power, left and right the spin.</translation>
    </message>
    <message>
        <source>フェイズ：自&#x3000;カメラ：シュートモード&#x3000;スウィーピング</source>
        <translation>Your turn  Camera: shooting mode  Sweeping</translation>
    </message>
    <message>
        <source>シングルモード&#x3000;カメラ：フリーモード</source>
        <translation>Practice  Camera: free view</translation>
    </message>
    <message>
        <source>シングルモード&#x3000;カメラ：シュートモード&#x3000;ポジション決め</source>
        <translation>Practice  Camera: shooting mode  Set the position</translation>
    </message>
    <message>
        <source>キー&#x3000;／Ａ：左スウィープ&#x3000;Ｄ：右スウィープ</source>
        <translation>Keys: A: sweep left  D: sweep right</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>フリーガードゾーン違反：ストーンを元に戻しました</source>
        <translation>Free guard zone foul: the stones were put back</translation>
    </message>
    <message>
        <source>テイクアウト（%1個）&#x3000;</source>
        <translation>Takeout (%1), </translation>
    </message>
    <message>
        <source>味方のストーンを%1個除外&#x3000;</source>
        <translation>own stones out: %1, </translation>
    </message>
    <message>
        <source>ハウス内</source>
        <translation>in the house</translation>
    </message>
    <message>
        <source>ガード</source>
        <translation>guard</translation>
    </message>
    <message>
        <source>ハウス外</source>
        <translation>beyond the house</translation>
    </message>
    <message>
        <source>ホグライン手前で除外</source>
        <translation>out short of the hog line</translation>
    </message>
    <message>
        <source>サイドアウト</source>
        <translation>out at the side</translation>
    </message>
    <message>
        <source>バックラインを越えて除外</source>
        <translation>out past the back line</translation>
    </message>
</context>
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
    <name>QRN</name>
    <message>
        <source>このシステムではハードウェア頂点処理が使用できないため、ソフトウェア頂点処理モードに変更します。</source>
        <translation>This system cannot process vertices in hardware, so the game switches to software vertex processing.</translation>
    </message>
    <message>
        <source>ソフトウェアモード</source>
        <translation>Software mode</translation>
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
<context>
    <name>online::Accept</name>
    <message>
        <source>ユーザーログイン</source>
        <translation>User Login</translation>
    </message>
    <message>
        <source>ユーザー認証を行います。</source>
        <translation>Log in with your user name and password.</translation>
    </message>
    <message>
        <source>ユーザー名</source>
        <translation>User name</translation>
    </message>
    <message>
        <source>パスワード</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>送信</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>戻る</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>パスワードを入力してください。</source>
        <translation>Please enter your password.</translation>
    </message>
    <message>
        <source>ユーザー名を入力してください。</source>
        <translation>Please enter your user name.</translation>
    </message>
    <message>
        <source>ログイン中</source>
        <translation>Logging in</translation>
    </message>
    <message>
        <source>ログイン成功 しばらくお待ち下さい。</source>
        <translation>Logged in. Please wait a moment.</translation>
    </message>
</context>
<context>
    <name>online::Lobby</name>
    <message>
        <source>ユーザー名</source>
        <translation>User name</translation>
    </message>
    <message>
        <source>最終更新時刻</source>
        <translation>Last update</translation>
    </message>
    <message>
        <source>ゲームルーム作成</source>
        <translation>Create a room</translation>
    </message>
    <message>
        <source>状態</source>
        <translation>State</translation>
    </message>
    <message>
        <source>題名</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>作成日時</source>
        <translation>Created</translation>
    </message>
    <message>
        <source>作成者</source>
        <translation>Host</translation>
    </message>
    <message>
        <source>相手</source>
        <translation>Opponent</translation>
    </message>
    <message>
        <source>リロード</source>
        <translation>Reload</translation>
    </message>
    <message>
        <source>発言</source>
        <translation>Say</translation>
    </message>
    <message>
        <source>ゲームルーム削除</source>
        <translation>Delete my room</translation>
    </message>
    <message>
        <source>ゲームルーム退席</source>
        <translation>Leave the room</translation>
    </message>
    <message>
        <source>無</source>
        <translation>None</translation>
    </message>
    <message>
        <source>待機</source>
        <translation>Join</translation>
    </message>
    <message>
        <source>満室</source>
        <translation>Full</translation>
    </message>
    <message>
        <source>開始</source>
        <translation>Live</translation>
    </message>
    <message>
        <source>簡潔な題名を入力してください。</source>
        <translation>Please enter a short title.</translation>
    </message>
    <message>
        <source>ゲームルームの作成</source>
        <translation>Create a Game Room</translation>
    </message>
    <message>
        <source>誰でもどうぞ</source>
        <translation>Anyone welcome</translation>
    </message>
    <message>
        <source>%1に入室試行<byte value="xd"/>
ID:%2</source>
        <translation>Trying to join room %1
ID: %2</translation>
    </message>
</context>
<context>
    <name>online::Regist</name>
    <message>
        <source>Code:Rinkfallユーザー登録</source>
        <translation>Code:Rinkfall Registration</translation>
    </message>
    <message>
        <source>内容を記述して、登録ボタンを押してください。</source>
        <translation>Fill in the form and press Send.</translation>
    </message>
    <message>
        <source>★ユーザー名は半角英数字のみ可能です。</source>
        <translation>★ User names may use only letters and digits.</translation>
    </message>
    <message>
        <source>また、自動で小文字に置換されます。</source>
        <translation>Capital letters become small letters.</translation>
    </message>
    <message>
        <source>ユーザー名</source>
        <translation>User name</translation>
    </message>
    <message>
        <source>パスワード</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>確認用パスワード</source>
        <translation>Password again</translation>
    </message>
    <message>
        <source>送信</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>戻る</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>２つのパスワードが一致しません。</source>
        <translation>The two passwords differ.</translation>
    </message>
    <message>
        <source>パスワードが空欄です</source>
        <translation>The password is empty</translation>
    </message>
    <message>
        <source>ユーザー名が空欄です</source>
        <translation>The user name is empty</translation>
    </message>
    <message>
        <source>データを送信しています。</source>
        <translation>Sending...</translation>
    </message>
</context>
<context>
    <name>online::messages</name>
    <message>
        <source>システムアクセス中...</source>
        <translation>Connecting...</translation>
    </message>
    <message>
        <source>データベースにエラーが発生しました。</source>
        <translation>A database error occurred on the server.</translation>
    </message>
    <message>
        <source>サーバーの応答が正しくありません。</source>
        <translation>The server&apos;s reply is not valid.</translation>
    </message>
    <message>
        <source>サーバーに接続できませんでした。</source>
        <translation>Could not connect to the server.</translation>
    </message>
    <message>
        <source>サーバーが見つかりませんでした。</source>
        <translation>The server was not found.</translation>
    </message>
    <message>
        <source>サーバーから応答がありませんでした。</source>
        <translation>The server did not answer.</translation>
    </message>
    <message>
        <source>サーバーの応答が大きすぎます。</source>
        <translation>The server&apos;s reply is too large.</translation>
    </message>
    <message>
        <source>サーバーがエラーを返しました。(HTTP %1)</source>
        <translation>The server answered with an error. (HTTP %1)</translation>
    </message>
    <message>
        <source>通信が中断されました。</source>
        <translation>The connection was interrupted.</translation>
    </message>
    <message>
        <source>通信に失敗しました。</source>
        <translation>The connection failed.</translation>
    </message>
</context>
<context>
    <name>platform::HttpTransfer</name>
    <message>
        <source>サーバーの応答を待っています…</source>
        <translation>Waiting for the server…</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>通信中</source>
        <translation>Connecting</translation>
    </message>
</context>
<context>
    <name>runGame</name>
    <message>
        <source>エラーのためゲームを終了します。
%1</source>
        <translation>The game stops because of an error.
%1</translation>
    </message>
</context>
</TS>
