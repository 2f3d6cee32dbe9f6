#pragma once

// The service's own texts, shown by the game client as they stand.
namespace server::messages {

inline constexpr const char *kMalformed = "リクエストの形式が正しくありません。";
inline constexpr const char *kTooLong = "入力された内容が長すぎます。";
inline constexpr const char *kMissing = "必要な項目が入力されていません。";
inline constexpr const char *kWrongGameKey = "ゲームの識別情報が正しくありません。";
inline constexpr const char *kDatabase = "データベースにエラーが発生しました。";

inline constexpr const char *kBadVersion = "バージョン番号が正しくありません。";

inline constexpr const char *kRegistered = "登録が完了しました。ログイン画面からログインしてください。";
inline constexpr const char *kNameCharacters = "ユーザー名は半角英数字のみ使用できます。";
inline constexpr const char *kNameLength = "ユーザー名は1～16文字で入力してください。";
inline constexpr const char *kNameLengthMismatch = "ユーザー名の文字数が一致しません。";
inline constexpr const char *kPasswordLength = "パスワードは1～64文字で入力してください。";
inline constexpr const char *kNameTaken = "そのユーザー名は既に使われています。";
inline constexpr const char *kTooManyAccounts =
    "このアドレスからの登録が多すぎます。時間をおいてから登録してください。";

inline constexpr const char *kBusy = "混み合っています。しばらくしてからもう一度お試しください。";

inline constexpr const char *kTooManyFailures =
    "ログインの失敗が続いています。しばらく待ってからもう一度お試しください。";
inline constexpr const char *kTooManyRegistrations =
    "登録の申し込みが続いています。しばらく待ってからもう一度お試しください。";

inline constexpr const char *kLoginFailed = "ユーザー名またはパスワードが違います。";

inline constexpr const char *kSaid = "発言しました。";
inline constexpr const char *kNoWords = "発言内容がありません。";

inline constexpr const char *kNotLoggedIn =
    "ログインしていないか、接続が切れています。もう一度ログインしてください。";
inline constexpr const char *kNotYourName = "自分の名前でのみ発言できます。";
inline constexpr const char *kChatTooFast = "発言が多すぎます。少し待ってから発言してください。";
inline constexpr const char *kNoTitle = "題名を入力してください。";
inline constexpr const char *kLobbyFull = "ゲームルームの数が上限に達しています。";

inline constexpr const char *kJoined = "入室しました。";
inline constexpr const char *kNoSuchRoom = "そのゲームルームはありません。";
inline constexpr const char *kOwnRoom = "自分のゲームルームには入室できません。";
inline constexpr const char *kNotWaiting = "そのゲームルームは待機中ではありません。";
inline constexpr const char *kAlreadyInRoom = "既に他のゲームルームに参加しています。";

inline constexpr const char *kRoomDeleted = "ゲームルームを削除しました。";
inline constexpr const char *kNoOwnRoom = "ゲームルームは既にありません。";
inline constexpr const char *kLeftRoom = "ゲームルームから退席しました。";
inline constexpr const char *kNoJoinedRoom = "ゲームルームからは既に退席しています。";

inline constexpr const char *kDefaultNotice[5] = {
    "Code:Rinkfall サーバーへようこそ！",
    "ロビーではチャットとゲームルームの作成ができます。",
    "ユーザー名は半角英数字で登録してください。",
    "パスワードは他のサービスと同じものを使わないでください。",
    "マナーを守って楽しく遊びましょう。",
};

} // namespace server::messages
