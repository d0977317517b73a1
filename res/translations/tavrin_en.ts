<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!--
  English texts of the desktop program. Each message is one line: the
  Japanese text exactly as app/UiTexts.h (or base/Texts.h) writes it, then
  its translation. In both, "&amp;" is &, "&#10;" a line break and "&#9;" the
  tab before a shortcut. A prompt is the status-bar text, a line break, then
  the tooltip. Keep %1 and %2, the line breaks and the shortcuts. Adding a
  text to UiTexts.h needs a line here: tst_translations names each text that
  has none, with the line to add.
-->
<TS version="2.1" language="en_US" sourcelanguage="ja_JP">
<context>
<name>Tavrin</name>
<message><source>Tavrin</source><translation>Tavrin</translation></message>
<message><source>Pad</source><translation>Pad</translation></message>
<message><source>ﾚﾃﾞｨ</source><translation>Ready</translation></message>
<message><source>ｶﾅ</source><translation>KANA</translation></message>
<message><source>CAP</source><translation>CAP</translation></message>
<message><source>NUM</source><translation>NUM</translation></message>
<message><source>SCRL</source><translation>SCRL</translation></message>
<message><source>ﾊﾞｰｼﾞｮﾝ情報</source><translation>About Tavrin</translation></message>
<message><source>開発者:&#10;Tavrin プロジェクトの開発者一同</source><translation>Developers:&#10;The developers of the Tavrin project</translation></message>
<message><source>開く</source><translation>Open</translation></message>
<message><source>名前を付けて保存</source><translation>Save As</translation></message>
<message><source>Pad ファイル(*.pad)</source><translation>Pad files (*.pad)</translation></message>
<message><source>%1 への変更を保存しますか?</source><translation>Save changes to %1?</translation></message>
<message><source>%1 を保存できませんでした。&#10;%2</source><translation>%1 could not be saved.&#10;%2</translation></message>
<message><source>%1 を開けませんでした。&#10;%2</source><translation>%1 could not be opened.&#10;%2</translation></message>
<message><source>ﾌｧｲﾙではなくﾌｫﾙﾀﾞです。</source><translation>It is a folder, not a file.</translation></message>
<message><source>ﾌｧｲﾙを読み込めません。</source><translation>The file cannot be read.</translation></message>
<message><source>ﾌｧｲﾙに書き込めません。</source><translation>The file cannot be written.</translation></message>
<message><source>予期しないﾌｧｲﾙ形式です。</source><translation>Unexpected file format.</translation></message>
<message><source>ﾎﾞｯｸｽ「%1」の文字「%2」はｺｰﾄﾞﾍﾟｰｼﾞ 932 (Shift_JIS) で表せません。&#10;「?」に置き換えて続けますか?</source><translation>The character "%2" in the box "%1" cannot be written in code page 932 (Shift_JIS).&#10;Replace it with "?" and go on?</translation></message>
<message><source>コンソールを開けませんでした。</source><translation>The console could not be opened.</translation></message>
<message><source>印刷できませんでした。</source><translation>The chart could not be printed.</translation></message>
<message><source>新規にﾌｧｲﾙを作成&#10;新規ﾌｧｲﾙ</source><translation>Create a new file&#10;New file</translation></message>
<message><source>既存のﾌｧｲﾙを開く&#10;開く</source><translation>Open an existing file&#10;Open</translation></message>
<message><source>作業中のﾌｧｲﾙを上書きして保存&#10;保存</source><translation>Save the active file&#10;Save</translation></message>
<message><source>選択範囲を切り取ってｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存&#10;切り取り</source><translation>Cut the selection and put it on the Clipboard&#10;Cut</translation></message>
<message><source>選択範囲をｺﾋﾟｰしてｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存&#10;ｺﾋﾟｰ</source><translation>Copy the selection and put it on the Clipboard&#10;Copy</translation></message>
<message><source>作業中のﾌｧｲﾙを印刷&#10;印刷</source><translation>Print the active file&#10;Print</translation></message>
<message><source>単純処理を追加&#10;単純処理</source><translation>Add a simple process&#10;Simple process</translation></message>
<message><source>分岐処理を追加&#10;分岐</source><translation>Add a branch&#10;Branch</translation></message>
<message><source>前判定反復を追加&#10;前判定</source><translation>Add a pre-test loop&#10;Pre-test loop</translation></message>
<message><source>後判定反復を追加&#10;後判定</source><translation>Add a post-test loop&#10;Post-test loop</translation></message>
<message><source>表示処理&#10;表示</source><translation>Output process&#10;Output</translation></message>
<message><source>入力処理&#10;入力</source><translation>Input process&#10;Input</translation></message>
<message><source>ｸﾘｯﾌﾟﾎﾞｰﾄﾞの内容を貼り付け&#10;貼り付け</source><translation>Insert the Clipboard contents&#10;Paste</translation></message>
<message><source>PADを実行&#10;実行</source><translation>Run the PAD chart&#10;Run</translation></message>
<message><source>Cソースコードを生成&#10;コード生成</source><translation>Generate C source code&#10;Generate code</translation></message>
<message><source>ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示&#10;ﾊﾞｰｼﾞｮﾝ情報</source><translation>Display program information, version number and copyright&#10;About</translation></message>
<message><source>ﾌｧｲﾙ(&amp;F)</source><translation>&amp;File</translation></message>
<message><source>編集(&amp;E)</source><translation>&amp;Edit</translation></message>
<message><source>表示(&amp;V)</source><translation>&amp;View</translation></message>
<message><source>ｳｨﾝﾄﾞｳ(&amp;W)</source><translation>&amp;Window</translation></message>
<message><source>ﾍﾙﾌﾟ(&amp;H)</source><translation>&amp;Help</translation></message>
<message><source>新規作成(&amp;N)&#9;Ctrl+N</source><translation>&amp;New&#9;Ctrl+N</translation></message>
<message><source>開く(&amp;O)...&#9;Ctrl+O</source><translation>&amp;Open...&#9;Ctrl+O</translation></message>
<message><source>閉じる(&amp;C)</source><translation>&amp;Close</translation></message>
<message><source>上書き保存(&amp;S)&#9;Ctrl+S</source><translation>&amp;Save&#9;Ctrl+S</translation></message>
<message><source>名前を付けて保存(&amp;A)...</source><translation>Save &amp;As...</translation></message>
<message><source>印刷(&amp;P)...&#9;Ctrl+P</source><translation>&amp;Print...&#9;Ctrl+P</translation></message>
<message><source>印刷ﾌﾟﾚﾋﾞｭｰ(&amp;V)</source><translation>Print Pre&amp;view</translation></message>
<message><source>ﾌﾟﾘﾝﾀの設定(&amp;R)...</source><translation>P&amp;rint Setup...</translation></message>
<message><source>最近使ったﾌｧｲﾙ</source><translation>Recent File</translation></message>
<message><source>ｱﾌﾟﾘｹｰｼｮﾝの終了(&amp;X)</source><translation>E&amp;xit</translation></message>
<message><source>元に戻す(&amp;U)&#9;Ctrl+Z</source><translation>&amp;Undo&#9;Ctrl+Z</translation></message>
<message><source>やり直し(&amp;R)&#9;Ctrl+Y</source><translation>&amp;Redo&#9;Ctrl+Y</translation></message>
<message><source>切り取り(&amp;T)&#9;Ctrl+X</source><translation>Cu&amp;t&#9;Ctrl+X</translation></message>
<message><source>ｺﾋﾟｰ(&amp;C)&#9;Ctrl+C</source><translation>&amp;Copy&#9;Ctrl+C</translation></message>
<message><source>貼り付け(&amp;P)&#9;Ctrl+V</source><translation>&amp;Paste&#9;Ctrl+V</translation></message>
<message><source>ﾂｰﾙ ﾊﾞｰ(&amp;T)</source><translation>&amp;Toolbar</translation></message>
<message><source>ｽﾃｰﾀｽ ﾊﾞｰ(&amp;S)</source><translation>&amp;Status Bar</translation></message>
<message><source>拡大(&amp;I)</source><translation>Zoom &amp;In</translation></message>
<message><source>縮小(&amp;O)</source><translation>Zoom &amp;Out</translation></message>
<message><source>100%(&amp;N)</source><translation>&amp;Normal Size (100%)</translation></message>
<message><source>そのまま動くCソース生成(&amp;E)</source><translation>Generate &amp;Exact C Source</translation></message>
<message><source>重ねて表示(&amp;C)</source><translation>&amp;Cascade</translation></message>
<message><source>並べて表示(&amp;T)</source><translation>&amp;Tile</translation></message>
<message><source>ｱｲｺﾝの整列(&amp;A)</source><translation>&amp;Arrange Icons</translation></message>
<message><source>ﾊﾞｰｼﾞｮﾝ情報(&amp;A)...</source><translation>&amp;About Tavrin...</translation></message>
<message><source>元に戻す: </source><translation>Undo: </translation></message>
<message><source>やり直し: </source><translation>Redo: </translation></message>
<message><source>削除</source><translation>Delete</translation></message>
<message><source>挿入</source><translation>Insert</translation></message>
<message><source>切り取り</source><translation>Cut</translation></message>
<message><source>貼り付け</source><translation>Paste</translation></message>
<message><source>サイズ変更</source><translation>Resize</translation></message>
<message><source>入力</source><translation>Typing</translation></message>
<message><source>移動</source><translation>Move</translation></message>
<message><source>コピー</source><translation>Copy</translation></message>
<message><source>言語 / Language</source><translation>言語 / Language</translation></message>
<message><source>日本語</source><translation>日本語</translation></message>
<message><source>English</source><translation>English</translation></message>
<message><source>言語は次に Tavrin を起動したときに切り替わります。&#10;The language changes the next time Tavrin starts.</source><translation>The language changes the next time Tavrin starts.&#10;言語は次に Tavrin を起動したときに切り替わります。</translation></message>
<message><source>実行中です。実行を停止して閉じますか?</source><translation>A chart is running. Stop the run and close?</translation></message>
<message><source>エラー: </source><translation>Error: </translation></message>
<message><source>変数</source><translation>Variables</translation></message>
<message><source>名前</source><translation>Name</translation></message>
<message><source>値</source><translation>Value</translation></message>
<message><source>次のボックスを1つ実行して一時停止&#10;ステップ実行</source><translation>Run the next box and pause&#10;Step</translation></message>
<message><source>現在のボックスを中のボックスごと実行して一時停止&#10;ステップ オーバー</source><translation>Run the current box with the boxes inside it and pause&#10;Step Over</translation></message>
<message><source>次のブレークポイントか終わりまで実行&#10;続行</source><translation>Run to the next breakpoint or to the end&#10;Continue</translation></message>
<message><source>実行を次のボックスの前で一時停止&#10;一時停止</source><translation>Pause the run before the next box&#10;Pause</translation></message>
<message><source>実行を停止&#10;停止</source><translation>Stop the run&#10;Stop</translation></message>
<message><source>選択したボックスのブレークポイントを設定または解除&#10;ブレークポイント</source><translation>Set or clear a breakpoint on the selected box&#10;Breakpoint</translation></message>
<message><source>このPADのすべてのブレークポイントを解除&#10;ブレークポイントの解除</source><translation>Clear every breakpoint of this chart&#10;Clear Breakpoints</translation></message>
<message><source>ボックスの間で待たずに実行&#10;最高速</source><translation>Run without waiting between boxes&#10;Full Speed</translation></message>
<message><source>ボックスの間で 0.05 秒待って実行&#10;速い</source><translation>Run waiting 0.05 seconds between boxes&#10;Fast</translation></message>
<message><source>ボックスの間で 0.3 秒待って実行&#10;遅い</source><translation>Run waiting 0.3 seconds between boxes&#10;Slow</translation></message>
<message><source>ボックスの間で 1 秒待って実行&#10;とても遅い</source><translation>Run waiting 1 second between boxes&#10;Very Slow</translation></message>
<message><source>実行(&amp;R)</source><translation>&amp;Run</translation></message>
<message><source>実行(&amp;R)&#9;F5</source><translation>&amp;Run&#9;F5</translation></message>
<message><source>ステップ実行(&amp;S)&#9;F10</source><translation>&amp;Step&#9;F10</translation></message>
<message><source>ステップ オーバー(&amp;O)&#9;Shift+F10</source><translation>Step &amp;Over&#9;Shift+F10</translation></message>
<message><source>続行(&amp;C)&#9;F8</source><translation>&amp;Continue&#9;F8</translation></message>
<message><source>一時停止(&amp;P)</source><translation>&amp;Pause</translation></message>
<message><source>停止(&amp;T)&#9;Shift+F5</source><translation>S&amp;top&#9;Shift+F5</translation></message>
<message><source>ブレークポイントの設定/解除(&amp;B)&#9;F9</source><translation>Toggle &amp;Breakpoint&#9;F9</translation></message>
<message><source>すべてのブレークポイントを解除(&amp;A)</source><translation>Clear &amp;All Breakpoints</translation></message>
<message><source>速度</source><translation>Speed</translation></message>
<message><source>最高速(&amp;F)</source><translation>&amp;Full Speed</translation></message>
<message><source>速い(&amp;A)</source><translation>F&amp;ast</translation></message>
<message><source>遅い(&amp;S)</source><translation>&amp;Slow</translation></message>
<message><source>とても遅い(&amp;V)</source><translation>&amp;Very Slow</translation></message>
<message><source>Cソース生成(&amp;G)</source><translation>&amp;Generate C Source</translation></message>
</context>
</TS>
