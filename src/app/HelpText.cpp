#include "app/HelpText.h"

#include "ui/Version.h"

namespace mrv {

namespace {

constexpr const char* kEnglish = R"(Usage: mervana [SWITCHES] [CONFIG.ini]
       mervana --aggregate [FOLDER] [--db TARGET]
       mervana --report FOLDER|TARGET --html FILE
       mervana --dump-drives FOLDER
       mervana --show-drives [FOLDER]

Takes stock of this PC: collects its facts into one inventory record, shows it in a window, and saves it
as a Shift-JIS CSV file named after the PC into the save folder.

Switches (the first argument; case does not matter, several may run together, as /p/h/b60):
  /b[SECONDS]   batch mode: wait SECONDS (five minutes when none are given), collect, save and exit
                without showing the window. Other switches go before /b when a delay is given.
  /p            batch mode: do not write the disk-health history
  /h            batch mode: do not write the record file
  /w            batch mode: start the audit program zoviziri beside the program on save
CONFIG.ini      the configuration file (first or second argument; default: mervana.ini beside the
                program). [General] SaveDir= names the save folder; [Sources] names recorded sources.

Commands:
  --aggregate [FOLDER]    build mervana.csv and mervana_a.csv (one row per PC) from the records in
                          FOLDER (default: the program's folder)
    --db TARGET           also load FOLDER's records, disk histories and logs into the inventory
                          database TARGET: an SQLite file or a postgresql:// URL (default: the
                          configuration file's [Database] Target=)
  --report FOLDER|TARGET --html FILE
                          write the fleet page (one HTML file) from a record folder or a database
  --dump-drives FOLDER    record this PC's disks (IDENTIFY and S.M.A.R.T. data) as drive dumps
  --show-drives [FOLDER]  print each drive's decoded S.M.A.R.T. health, from the disks or from dumps
  --help                  print this text
  --version               print the program's version

Exit status:
  0  done (the record was saved, the lists were built, the command ran)
  1  failed: nothing collected or saved (also when a [Sources] entry cannot be opened), a command's
     input or output could not be used, or no window system for an interactive start
  2  a command was given without the argument it needs
)";

constexpr const char* kJapanese = R"(使い方: mervana [スイッチ] [設定ファイル.ini]
        mervana --aggregate [フォルダ] [--db 接続先]
        mervana --report フォルダ|接続先 --html ファイル
        mervana --dump-drives フォルダ
        mervana --show-drives [フォルダ]

この PC の情報を集めて一件の記録にまとめ、ウィンドウに表示し、PC 名の Shift-JIS CSV ファイルとして
保存フォルダに保存します。

スイッチ (第1引数。大文字小文字は区別せず、/p/h/b60 のように続けて書けます):
  /b[秒数]      バッチ実行: 秒数だけ待ち (省略時は5分)、収集・保存して終了します。ウィンドウは
                表示しません。待ち時間を書くときは、他のスイッチを /b の前に書きます。
  /p            バッチ実行: ハードディスク履歴を書きません
  /h            バッチ実行: 記録ファイルを書きません
  /w            バッチ実行: 保存時にプログラムと同じフォルダの監査プログラム zoviziri を起動します
設定ファイル.ini 設定ファイル (第1または第2引数。省略時はプログラムと同じフォルダの mervana.ini)。
                [General] SaveDir= が保存フォルダ、[Sources] が記録済みの情報源です。

コマンド:
  --aggregate [フォルダ]     フォルダ (省略時はプログラムのフォルダ) の記録から一覧表
                             mervana.csv と mervana_a.csv (PC ごとに1行) を作成します
    --db 接続先              フォルダの記録・ディスク履歴・ログを在庫データベースにも読み込みます。
                             接続先は SQLite のファイルか postgresql:// の URL (省略時は設定ファイルの
                             [Database] Target=)
  --report フォルダ|接続先 --html ファイル
                             記録のフォルダまたはデータベースから一覧ページ (HTML ファイル1つ) を作成します
  --dump-drives フォルダ     この PC のディスク (IDENTIFY と S.M.A.R.T. データ) をダンプとして記録します
  --show-drives [フォルダ]   各ドライブの S.M.A.R.T. 状態を、ディスクまたはダンプから表示します
  --help                     この説明を表示します
  --version                  バージョンを表示します

終了コード:
  0  完了 (記録を保存した、一覧表を作成した、コマンドを実行した)
  1  失敗: 収集・保存ができなかった ([Sources] の情報源を開けないときも)、コマンドの入力・出力が
     使えなかった、または対話起動でウィンドウシステムに接続できなかった
  2  コマンドに必要な引数がない
)";

}  // namespace

std::string HelpText(bool japanese) { return VersionBanner() + "\n" + (japanese ? kJapanese : kEnglish); }

}  // namespace mrv
