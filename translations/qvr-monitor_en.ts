<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja_JP">
<context>
    <name>CalibrationReport</name>
    <message>
        <source>不明</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>気温器差確定</source>
        <translation>Air temp. error</translation>
    </message>
    <message>
        <source>風速器差確定</source>
        <translation>Wind speed error</translation>
    </message>
    <message>
        <source>0m/s.調整確定</source>
        <translation>0 m/s</translation>
    </message>
    <message>
        <source>Nm/s.調整確定</source>
        <translation>N m/s</translation>
    </message>
    <message>
        <source>作業完了</source>
        <translation>Finished</translation>
    </message>
    <message>
        <source>未測定</source>
        <translation>NOT MEASURED</translation>
    </message>
    <message>
        <source>合格</source>
        <translation>PASS</translation>
    </message>
    <message>
        <source>不合格</source>
        <translation>FAIL</translation>
    </message>
    <message>
        <source>未書込</source>
        <translation>NOT WRITTEN</translation>
    </message>
    <message>
        <source>未確認</source>
        <translation>NOT RECHECKED</translation>
    </message>
    <message>
        <source>未検証</source>
        <translation>NOT VERIFIED</translation>
    </message>
    <message>
        <source>校正した設定はセンサーに書き込まれていません。</source>
        <translation>The calibrated parameters have not been written to the sensor.</translation>
    </message>
    <message>
        <source>設定の書込みが失敗しました。センサーの設定は検証されていません。</source>
        <translation>Writing the parameters failed. The sensor&apos;s parameters are not verified.</translation>
    </message>
    <message>
        <source>設定の書込みが途中で終わりました。センサーの設定は検証されていません。</source>
        <translation>Writing the parameters ended part-way. The sensor&apos;s parameters are not verified.</translation>
    </message>
    <message>
        <source>書き込んだ設定を読み返せず、センサーの設定は検証されていません。</source>
        <translation>The written parameters could not be read back; the sensor&apos;s parameters are not verified.</translation>
    </message>
    <message>
        <source>最後の確定の後に設定が書き込まれていません。</source>
        <translation>No parameters were written after the last confirmed step.</translation>
    </message>
    <message>
        <source>センサーに書き込んだ設定が、この校正の設定と異なります。</source>
        <translation>The parameters written to the sensor differ from this calibration&apos;s.</translation>
    </message>
    <message>
        <source>書込みの後の完了確認（15件平均）がありません。</source>
        <translation>There is no final check (15-reading average) after the write.</translation>
    </message>
    <message>
        <source>校正した設定を書き込み、読み返して一致を確認しました。</source>
        <translation>The calibrated parameters were written, read back and found to agree.</translation>
    </message>
    <message>
        <source>キャリブレーション報告書</source>
        <translation>Calibration report</translation>
    </message>
    <message>
        <source>作成 </source>
        <translation>Created </translation>
    </message>
    <message>
        <source>シリアル番号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>（未入力）</source>
        <translation>(not entered)</translation>
    </message>
    <message>
        <source>機種</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>ファームウェア</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>校正開始</source>
        <translation>Calibration started</translation>
    </message>
    <message>
        <source>プログラム</source>
        <translation>Program</translation>
    </message>
    <message>
        <source>コンピュータ</source>
        <translation>Computer</translation>
    </message>
    <message>
        <source>パラメータ（開始時 → 完了時、変更は赤字と「変更」で表示）</source>
        <translation>Parameters (at start → at finish; changes in red and marked &quot;changed&quot;)</translation>
    </message>
    <message>
        <source>キー</source>
        <translation>Key</translation>
    </message>
    <message>
        <source>項目</source>
        <translation>Item</translation>
    </message>
    <message>
        <source>開始時</source>
        <translation>At start</translation>
    </message>
    <message>
        <source>完了時</source>
        <translation>At finish</translation>
    </message>
    <message>
        <source>変更</source>
        <translation>changed</translation>
    </message>
    <message>
        <source>ログ %1 が読めません</source>
        <translation>Log %1 cannot be read</translation>
    </message>
    <message>
        <source>ログ %1 に計測値がありません</source>
        <translation>Log %1 holds no readings</translation>
    </message>
    <message>
        <source>%1 平均 %2 幅 %3 %4</source>
        <translation>%1 mean %2 span %3 %4</translation>
    </message>
    <message>
        <source>&#x3000;</source>
        <translation>   </translation>
    </message>
    <message>
        <source>（最後の%1件）</source>
        <translation> (last %1 readings)</translation>
    </message>
    <message>
        <source>確定した工程（根拠はその工程のログの統計）</source>
        <translation>Confirmed steps (evidence: the statistics of each step&apos;s log)</translation>
    </message>
    <message>
        <source>工程</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>日時</source>
        <translation>Date and time</translation>
    </message>
    <message>
        <source>確定値</source>
        <translation>Confirmed value</translation>
    </message>
    <message>
        <source>根拠（平均と幅）</source>
        <translation>Evidence (mean and span)</translation>
    </message>
    <message>
        <source>確定した工程はありません</source>
        <translation>No step was confirmed</translation>
    </message>
    <message>
        <source>最終確認（15件平均の風速と基準風速）</source>
        <translation>Final check (15-reading mean wind speed against the reference wind speed)</translation>
    </message>
    <message>
        <source>WsAvg15 %1 m/s&#x3000;&#x3000;AdjWS %2 m/s&#x3000;&#x3000;合格範囲 %3 &lt; WsAvg15 &lt; %4</source>
        <translation>WsAvg15 %1 m/s    AdjWS %2 m/s    pass range %3 &lt; WsAvg15 &lt; %4</translation>
    </message>
    <message>
        <source>風速の15件平均がありません&#x3000;&#x3000;AdjWS %1 m/s</source>
        <translation>No 15-reading mean of the wind speed    AdjWS %1 m/s</translation>
    </message>
    <message>
        <source>判定：</source>
        <translation>Verdict: </translation>
    </message>
    <message>
        <source>省略した工程：</source>
        <translation>Skipped steps: </translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>風速 (m/s)</source>
        <translation>Wind speed (m/s)</translation>
    </message>
    <message>
        <source>温度差 (℃)</source>
        <translation>Temp. difference (℃)</translation>
    </message>
    <message>
        <source>開始からの経過時間 (分)</source>
        <translation>Time since start (min)</translation>
    </message>
    <message>
        <source>校正者</source>
        <translation>Calibrated by</translation>
    </message>
    <message>
        <source>確認者</source>
        <translation>Checked by</translation>
    </message>
    <message>
        <source>QVR Monitor %1 が %2 に作成（%3）</source>
        <translation>Made by QVR Monitor %1 at %2 (%3)</translation>
    </message>
    <message>
        <source>風速と温度差の推移（番号は確定した工程）</source>
        <translation>Wind speed and temperature difference over time (numbers: confirmed steps)</translation>
    </message>
    <message>
        <source>風速</source>
        <translation>Wind speed</translation>
    </message>
    <message>
        <source>気温</source>
        <translation>Air temp.</translation>
    </message>
    <message>
        <source>温度差</source>
        <translation>Temp. difference</translation>
    </message>
    <message>
        <source>風速(RAW)</source>
        <translation>Wind speed (raw)</translation>
    </message>
    <message>
        <source>検証報告書</source>
        <translation>Verification report</translation>
    </message>
    <message>
        <source>偏差なし</source>
        <translation>No deviation</translation>
    </message>
    <message>
        <source>回帰直線</source>
        <translation>Fitted line</translation>
    </message>
    <message>
        <source>測定点</source>
        <translation>Points</translation>
    </message>
    <message>
        <source>基準風速 (m/s)</source>
        <translation>Reference wind speed (m/s)</translation>
    </message>
    <message>
        <source>センサー風速 (m/s)</source>
        <translation>Sensor wind speed (m/s)</translation>
    </message>
    <message>
        <source>許容差</source>
        <translation>Tolerance</translation>
    </message>
    <message>
        <source>偏差 (m/s)</source>
        <translation>Deviation (m/s)</translation>
    </message>
    <message>
        <source>測定点不足</source>
        <translation>TOO FEW POINTS</translation>
    </message>
    <message>
        <source>%1 / %2 ページ</source>
        <translation>Page %1 of %2</translation>
    </message>
    <message>
        <source>測定点がありません</source>
        <translation>There are no points</translation>
    </message>
    <message>
        <source>証明書には校正機関名が必要です</source>
        <translation>The certificate needs the calibration lab&apos;s name</translation>
    </message>
    <message>
        <source>証明書には依頼者名が必要です</source>
        <translation>The certificate needs the customer&apos;s name</translation>
    </message>
    <message>
        <source>証明書には風洞の識別名が必要です</source>
        <translation>The certificate needs the wind tunnel&apos;s identification</translation>
    </message>
    <message>
        <source>証明書には取付管の直径（0〜1000 mm の数値）が必要です</source>
        <translation>The certificate needs the mounting tube&apos;s diameter (a number from 0 to 1000 mm)</translation>
    </message>
    <message>
        <source>証明書の回帰には3点以上の測定点が必要です</source>
        <translation>The certificate&apos;s regression needs three points or more</translation>
    </message>
    <message>
        <source>測定点が2点未満のため算出できません</source>
        <translation>not defined: fewer than two points</translation>
    </message>
    <message>
        <source>基準風速の幅が0.01 m/s未満のため傾きを算出できません</source>
        <translation>no slope: the references spread less than 0.01 m/s</translation>
    </message>
    <message>
        <source>センサー風速の幅が0.01 m/s未満のため傾きを算出できません</source>
        <translation>no slope: the sensor&apos;s means spread less than 0.01 m/s</translation>
    </message>
    <message>
        <source>風速範囲不足</source>
        <translation>TOO FEW SPEEDS</translation>
    </message>
    <message>
        <source>回帰：</source>
        <translation>Regression: </translation>
    </message>
    <message>
        <source>傾き %1&#x3000;&#x3000;オフセット %2 m/s&#x3000;&#x3000;相関係数 %3</source>
        <translation>Slope %1    offset %2 m/s    correlation %3</translation>
    </message>
    <message>
        <source>&#x3000;&#x3000;残差標準偏差 %1 m/s</source>
        <translation>    residual std. dev. %1 m/s</translation>
    </message>
    <message>
        <source>標準誤差：傾き %1&#x3000;オフセット %2 m/s</source>
        <translation>Standard errors: slope %1  offset %2 m/s</translation>
    </message>
    <message>
        <source>—</source>
        <translation>—</translation>
    </message>
    <message>
        <source>検証（基準風速ごとのセンサー風速、30件の平均）</source>
        <translation>Verification (sensor wind speed at each reference speed, mean of 30 readings)</translation>
    </message>
    <message>
        <source>検証完了</source>
        <translation>Finished</translation>
    </message>
    <message>
        <source>校正機関</source>
        <translation>Laboratory</translation>
    </message>
    <message>
        <source>依頼者</source>
        <translation>Customer</translation>
    </message>
    <message>
        <source>許容差 ±(%1 m/s + %2 % × 基準風速)&#x3000;&#x3000;合格条件：%3点以上、%5 m/s以上離れた基準風速%4種類以上</source>
        <translation>Tolerance ±(%1 m/s + %2 % × reference)    pass needs: %3 points or more at %4 or more references at least %5 m/s apart</translation>
    </message>
    <message>
        <source>読値の %1 %</source>
        <translation>%1 % of reading</translation>
    </message>
    <message>
        <source>拡張不確かさ U (k=2)：基準器 %1、繰返し性 s/√n、分解能 0.001 m/s（矩形）を合成</source>
        <translation>Expanded uncertainty U (k=2) combines: reference %1, repeatability s/√n, resolution 0.001 m/s (rectangular)</translation>
    </message>
    <message>
        <source>時刻</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>基準 m/s</source>
        <translation>Ref. m/s</translation>
    </message>
    <message>
        <source>平均</source>
        <translation>Mean</translation>
    </message>
    <message>
        <source>標準偏差</source>
        <translation>Std. dev.</translation>
    </message>
    <message>
        <source>最大</source>
        <translation>Max.</translation>
    </message>
    <message>
        <source>最小</source>
        <translation>Min.</translation>
    </message>
    <message>
        <source>数</source>
        <translation>n</translation>
    </message>
    <message>
        <source>偏差 m/s</source>
        <translation>Dev. m/s</translation>
    </message>
    <message>
        <source>偏差%</source>
        <translation>Dev. %</translation>
    </message>
    <message>
        <source>U (k=2) m/s</source>
        <translation>U (k=2) m/s</translation>
    </message>
    <message>
        <source>判定</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>測定点はありません</source>
        <translation>No points</translation>
    </message>
    <message>
        <source>合格には%1点以上の測定点が必要です</source>
        <translation>A pass needs %1 points or more</translation>
    </message>
    <message>
        <source>合格には%2 m/s以上離れた基準風速が%1種類以上必要です（この検証は%3種類）</source>
        <translation>A pass needs %1 or more reference speeds at least %2 m/s apart (this verification has %3)</translation>
    </message>
    <message>
        <source>ログ %1&#x3000;&#x3000;デジタル証明書 %2</source>
        <translation>Log %1    digital certificate %2</translation>
    </message>
    <message>
        <source>（なし）</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>ヒータ出力 (W)</source>
        <translation>Heater output (W)</translation>
    </message>
    <message>
        <source>補正点1 (m/s)</source>
        <translation>Correction point 1 (m/s)</translation>
    </message>
    <message>
        <source>補正量1 (m/s)</source>
        <translation>Correction amount 1 (m/s)</translation>
    </message>
    <message>
        <source>補正点2 (m/s)</source>
        <translation>Correction point 2 (m/s)</translation>
    </message>
    <message>
        <source>補正量2 (m/s)</source>
        <translation>Correction amount 2 (m/s)</translation>
    </message>
    <message>
        <source>補正点3 (m/s)</source>
        <translation>Correction point 3 (m/s)</translation>
    </message>
    <message>
        <source>補正量3 (m/s)</source>
        <translation>Correction amount 3 (m/s)</translation>
    </message>
    <message>
        <source>補正点4 (m/s)</source>
        <translation>Correction point 4 (m/s)</translation>
    </message>
    <message>
        <source>補正量4 (m/s)</source>
        <translation>Correction amount 4 (m/s)</translation>
    </message>
    <message>
        <source>補正点5 (m/s)</source>
        <translation>Correction point 5 (m/s)</translation>
    </message>
    <message>
        <source>補正量5 (m/s)</source>
        <translation>Correction amount 5 (m/s)</translation>
    </message>
    <message>
        <source>補正点6 (m/s)</source>
        <translation>Correction point 6 (m/s)</translation>
    </message>
    <message>
        <source>補正量6 (m/s)</source>
        <translation>Correction amount 6 (m/s)</translation>
    </message>
    <message>
        <source>補正点7 (m/s)</source>
        <translation>Correction point 7 (m/s)</translation>
    </message>
    <message>
        <source>補正量7 (m/s)</source>
        <translation>Correction amount 7 (m/s)</translation>
    </message>
    <message>
        <source>補正点8 (m/s)</source>
        <translation>Correction point 8 (m/s)</translation>
    </message>
    <message>
        <source>補正量8 (m/s)</source>
        <translation>Correction amount 8 (m/s)</translation>
    </message>
    <message>
        <source>補正点9 (m/s)</source>
        <translation>Correction point 9 (m/s)</translation>
    </message>
    <message>
        <source>補正量9 (m/s)</source>
        <translation>Correction amount 9 (m/s)</translation>
    </message>
    <message>
        <source>補正点10 (m/s)</source>
        <translation>Correction point 10 (m/s)</translation>
    </message>
    <message>
        <source>補正量10 (m/s)</source>
        <translation>Correction amount 10 (m/s)</translation>
    </message>
    <message>
        <source>基準電圧 (V)</source>
        <translation>Reference voltage (V)</translation>
    </message>
    <message>
        <source>0m/s.時温度差</source>
        <translation>Temp. diff. at 0 m/s</translation>
    </message>
    <message>
        <source>0m/s.時温度差 (℃)</source>
        <translation>Temp. diff. at 0 m/s (°C)</translation>
    </message>
    <message>
        <source>基準風速値</source>
        <translation>Reference wind speed</translation>
    </message>
    <message>
        <source>基準風速値 (m/s)</source>
        <translation>Reference wind speed (m/s)</translation>
    </message>
    <message>
        <source>基準時温度差</source>
        <translation>Temp. diff. at reference</translation>
    </message>
    <message>
        <source>基準時温度差 (℃)</source>
        <translation>Temp. diff. at reference speed (°C)</translation>
    </message>
    <message>
        <source>ヒータ出力</source>
        <translation>Heater output</translation>
    </message>
    <message>
        <source>補正点1</source>
        <translation>Point 1</translation>
    </message>
    <message>
        <source>補正量1</source>
        <translation>Correction 1</translation>
    </message>
    <message>
        <source>補正点2</source>
        <translation>Point 2</translation>
    </message>
    <message>
        <source>補正量2</source>
        <translation>Correction 2</translation>
    </message>
    <message>
        <source>補正点3</source>
        <translation>Point 3</translation>
    </message>
    <message>
        <source>補正量3</source>
        <translation>Correction 3</translation>
    </message>
    <message>
        <source>補正点4</source>
        <translation>Point 4</translation>
    </message>
    <message>
        <source>補正量4</source>
        <translation>Correction 4</translation>
    </message>
    <message>
        <source>補正点5</source>
        <translation>Point 5</translation>
    </message>
    <message>
        <source>補正量5</source>
        <translation>Correction 5</translation>
    </message>
    <message>
        <source>補正点6</source>
        <translation>Point 6</translation>
    </message>
    <message>
        <source>補正量6</source>
        <translation>Correction 6</translation>
    </message>
    <message>
        <source>補正点7</source>
        <translation>Point 7</translation>
    </message>
    <message>
        <source>補正量7</source>
        <translation>Correction 7</translation>
    </message>
    <message>
        <source>補正点8</source>
        <translation>Point 8</translation>
    </message>
    <message>
        <source>補正量8</source>
        <translation>Correction 8</translation>
    </message>
    <message>
        <source>補正点9</source>
        <translation>Point 9</translation>
    </message>
    <message>
        <source>補正量9</source>
        <translation>Correction 9</translation>
    </message>
    <message>
        <source>補正点10</source>
        <translation>Point 10</translation>
    </message>
    <message>
        <source>補正量10</source>
        <translation>Correction 10</translation>
    </message>
    <message>
        <source>気温器差-1</source>
        <translation>Air temp. error 1</translation>
    </message>
    <message>
        <source>気温器差-1 (℃)</source>
        <translation>Air temp. correction 1 (°C)</translation>
    </message>
    <message>
        <source>気温器差-2</source>
        <translation>Air temp. error 2</translation>
    </message>
    <message>
        <source>気温器差-2 (℃)</source>
        <translation>Air temp. correction 2 (°C)</translation>
    </message>
    <message>
        <source>素子温度器差-1</source>
        <translation>Element temp. correction 1</translation>
    </message>
    <message>
        <source>素子温度器差-1 (℃)</source>
        <translation>Element temp. correction 1 (°C)</translation>
    </message>
    <message>
        <source>素子温度器差-2</source>
        <translation>Element temp. correction 2</translation>
    </message>
    <message>
        <source>素子温度器差-2 (℃)</source>
        <translation>Element temp. correction 2 (°C)</translation>
    </message>
    <message>
        <source>基準電圧</source>
        <translation>Reference voltage</translation>
    </message>
    <message>
        <source>気温補正</source>
        <translation>Air temp. correction</translation>
    </message>
</context>
<context>
    <name>CalibrationText</name>
    <message>
        <source>未受信</source>
        <translation>not received</translation>
    </message>
    <message>
        <source>項目</source>
        <translation>Item</translation>
    </message>
    <message>
        <source>風速</source>
        <translation>Wind</translation>
    </message>
    <message>
        <source>気温１</source>
        <translation>Air 1</translation>
    </message>
    <message>
        <source>気温２</source>
        <translation>Air 2</translation>
    </message>
    <message>
        <source>風速温度１</source>
        <translation>Elem. 1</translation>
    </message>
    <message>
        <source>風速温度２</source>
        <translation>Elem. 2</translation>
    </message>
    <message>
        <source>温度差L</source>
        <translation>ΔT L</translation>
    </message>
    <message>
        <source>温度差S</source>
        <translation>ΔT S</translation>
    </message>
    <message>
        <source>気温補正S</source>
        <translation>Air S</translation>
    </message>
    <message>
        <source>WS補正S</source>
        <translation>WS S</translation>
    </message>
    <message>
        <source>風速S</source>
        <translation>Wind S</translation>
    </message>
    <message>
        <source>計測値が2秒以上更新されていないため、判定していません</source>
        <translation>No judgement: the readings have not changed for 2 s or more</translation>
    </message>
    <message>
        <source>高速モードでは気温・温度差を読まないため、気温・風速温度・温度差の工程は確定できません</source>
        <translation>Fast mode reads no air temperature or temperature difference, so the air temp., element temp. and temp. difference steps cannot be confirmed</translation>
    </message>
    <message>
        <source>センサーから受信していない計測値があり、その工程は確定できません</source>
        <translation>Some readings have not been received from the sensor; their steps cannot be confirmed</translation>
    </message>
    <message>
        <source>キャリブレーション完了</source>
        <translation>Calibration complete</translation>
    </message>
    <message>
        <source>キャリブレーション中: Step-</source>
        <translation>Calibrating: Step-</translation>
    </message>
    <message>
        <source>シリアル番号が入力されていません</source>
        <translation>No serial number entered</translation>
    </message>
    <message>
        <source>シリアル番号に使えない文字があります（\ / : * ? &quot; &lt; &gt; | など）: </source>
        <translation>The serial number holds a character that cannot be used (\ / : * ? &quot; &lt; &gt; | etc.): </translation>
    </message>
    <message>
        <source>シリアル番号の末尾に「.」や空白は使えません: </source>
        <translation>The serial number cannot end in &quot;.&quot; or a blank: </translation>
    </message>
    <message>
        <source>シリアル番号が機器名と同じため、ファイルを作れません: </source>
        <translation>The serial number is a device name, so no file can be made: </translation>
    </message>
    <message>
        <source>この段階の計測値をセンサーから受信していないため、確定できません</source>
        <translation>Cannot confirm: this stage&apos;s readings have not been received from the sensor</translation>
    </message>
</context>
<context>
    <name>DataFolder</name>
    <message>
        <source>データフォルダを作れません。
</source>
        <translation>The data folder cannot be made.
</translation>
    </message>
</context>
<context>
    <name>MainForm</name>
    <message>
        <source>応答なし（%1 秒）</source>
        <translation>No answer (%1 s)</translation>
    </message>
    <message>
        <source>停止中</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>接続中…</source>
        <translation>Connecting…</translation>
    </message>
    <message>
        <source>受信中</source>
        <translation>Receiving</translation>
    </message>
</context>
<context>
    <name>PortFailure</name>
    <message>
        <source>
このポートを使う権限がありません。利用者を dialout グループに加え（sudo usermod -a -G dialout $USER）、ログインし直してください。</source>
        <translation>
You have no permission to use this port. Add your user to the dialout group (sudo usermod -a -G dialout $USER) and log in again.</translation>
    </message>
</context>
<context>
    <name>ProgramLock</name>
    <message>
        <source>このフォルダでは QVR-series Monitor がすでに動いています。
</source>
        <translation>QVR-series Monitor is already running in this folder.
</translation>
    </message>
    <message>
        <source>
同じフォルダで二つ目を起動すると、設定と記録のファイルが混ざるため終了します。</source>
        <translation>
A second copy in the same folder would mix up the settings and record files, so this one ends.</translation>
    </message>
    <message>
        <source>このフォルダのロックファイルを作れないため、二つ目の起動を防げません。同じフォルダで二つ目の QVR-series Monitor を起動しないでください。
</source>
        <translation>The lock file of this folder cannot be made, so a second start cannot be kept out. Do not start a second QVR-series Monitor in this folder.
</translation>
    </message>
</context>
<context>
    <name>RecordColumn</name>
    <message>
        <source>風速</source>
        <translation>Wind speed</translation>
    </message>
    <message>
        <source>気温(参考)</source>
        <translation>Air temp. (ref.)</translation>
    </message>
    <message>
        <source>気温（高精度）</source>
        <translation>Air temp. (fine)</translation>
    </message>
    <message>
        <source>風速（生値）</source>
        <translation>Wind speed (raw)</translation>
    </message>
    <message>
        <source>風速用温度</source>
        <translation>Probe temp.</translation>
    </message>
    <message>
        <source>温度差</source>
        <translation>Temp. diff.</translation>
    </message>
    <message>
        <source>CPU使用率</source>
        <translation>CPU load</translation>
    </message>
    <message>
        <source>電源電圧</source>
        <translation>Supply voltage</translation>
    </message>
    <message>
        <source>AD変換回数</source>
        <translation>A/D count</translation>
    </message>
    <message>
        <source>DA出力</source>
        <translation>D/A output</translation>
    </message>
    <message>
        <source>気温</source>
        <translation>Air temp.</translation>
    </message>
    <message>
        <source>風向</source>
        <translation>Wind direction</translation>
    </message>
    <message>
        <source>風速(RAW)</source>
        <translation>Wind speed (raw)</translation>
    </message>
    <message>
        <source>(最大)</source>
        <translation> (max)</translation>
    </message>
    <message>
        <source>(最小)</source>
        <translation> (min)</translation>
    </message>
</context>
<context>
    <name>RecordReader</name>
    <message>
        <source>: 通常のファイルではありません</source>
        <translation>: not a regular file</translation>
    </message>
    <message>
        <source>: 開けません（</source>
        <translation>: cannot be opened (</translation>
    </message>
    <message>
        <source>: 読み取りに失敗しました（</source>
        <translation>: reading failed (</translation>
    </message>
    <message>
        <source>: 読み込みを中止しました</source>
        <translation>: reading stopped</translation>
    </message>
    <message>
        <source>記録がありません（空のファイル）</source>
        <translation>No records (an empty file)</translation>
    </message>
    <message>
        <source>記録の行が見つかりません（読めなかった行: </source>
        <translation>No record rows found (lines that could not be read: </translation>
    </message>
    <message>
        <source>）</source>
        <translation>)</translation>
    </message>
    <message>
        <source>: フォルダーを読めません（</source>
        <translation>: the folder cannot be read (</translation>
    </message>
    <message>
        <source>: 読み込み中にファイルが変わりました。再読み込みしてください</source>
        <translation>: changed while being read; reload</translation>
    </message>
    <message>
        <source>: メモリの上限 (</source>
        <translation>: the memory limit (</translation>
    </message>
    <message>
        <source> MB) に達したため、読み込みを止めました（読んだ行: </source>
        <translation> MB) was reached and reading stopped (lines read: </translation>
    </message>
    <message>
        <source>、読んだ量: </source>
        <translation>, bytes read: </translation>
    </message>
    <message>
        <source> MB）</source>
        <translation> MB)</translation>
    </message>
</context>
<context>
    <name>SampleField</name>
    <message>
        <source>=== 状態値 ===</source>
        <translation>== Status ==</translation>
    </message>
    <message>
        <source>=== 拡張部 ===</source>
        <translation>== Ext. ==</translation>
    </message>
    <message>
        <source>風速</source>
        <translation>Wind speed</translation>
    </message>
    <message>
        <source>気温</source>
        <translation>Air temp.</translation>
    </message>
    <message>
        <source>気温(内部用)</source>
        <translation>Air temp. int.</translation>
    </message>
    <message>
        <source>風速(補正前)</source>
        <translation>Wind raw</translation>
    </message>
    <message>
        <source>プローブ温度</source>
        <translation>Probe temp.</translation>
    </message>
    <message>
        <source>温度差</source>
        <translation>Temp. diff.</translation>
    </message>
    <message>
        <source>CPU使用率</source>
        <translation>CPU load</translation>
    </message>
    <message>
        <source>電源電圧</source>
        <translation>Supply voltage</translation>
    </message>
    <message>
        <source>AD変換回数</source>
        <translation>A/D count</translation>
    </message>
    <message>
        <source>DA出力値</source>
        <translation>D/A output</translation>
    </message>
    <message>
        <source>気温１</source>
        <translation>Air temp. 1</translation>
    </message>
    <message>
        <source>気温２</source>
        <translation>Air temp. 2</translation>
    </message>
    <message>
        <source>WDS温度１</source>
        <translation>WDS temp. 1</translation>
    </message>
    <message>
        <source>WDS温度２</source>
        <translation>WDS temp. 2</translation>
    </message>
    <message>
        <source>風向</source>
        <translation>Wind direction</translation>
    </message>
    <message>
        <source>Vector-X</source>
        <translation>Vector-X</translation>
    </message>
    <message>
        <source>モデル番号</source>
        <translation>Model number</translation>
    </message>
    <message>
        <source>バージョン</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>システム状態</source>
        <translation>System state</translation>
    </message>
    <message>
        <source>ハード状態</source>
        <translation>HW state</translation>
    </message>
    <message>
        <source>ソフト状態</source>
        <translation>SW state</translation>
    </message>
</context>
<context>
    <name>SetpointText</name>
    <message>
        <source>設定ファイルに読める設定値がひとつもないため、読み込みませんでした:</source>
        <translation>The setpoint file holds no readable value, so nothing was loaded:</translation>
    </message>
    <message>
        <source>設定ファイルに無いか数値でない項目は既定値にしました:</source>
        <translation>Items missing from the setpoint file or not numbers took their defaults:</translation>
    </message>
</context>
<context>
    <name>SysSetForm</name>
    <message>
        <source>保存しました: %1</source>
        <translation>Saved: %1</translation>
    </message>
    <message>
        <source>読み込みました: %1</source>
        <translation>Loaded: %1</translation>
    </message>
    <message>
        <source>センサー読込中…</source>
        <translation>Reading the sensor…</translation>
    </message>
    <message>
        <source>センサー読込完了: %1 項目の値が変わりました</source>
        <translation>Sensor read: %1 values changed</translation>
    </message>
    <message>
        <source>センサー読込完了: 変更なし</source>
        <translation>Sensor read: no change</translation>
    </message>
    <message>
        <source>次: シリアル番号を入れて「キャリブレーション開始」を押してください</source>
        <translation>Next: type the serial number and press &quot;Start calibration&quot;</translation>
    </message>
    <message>
        <source>次: 気温が安定したら「気温器差確定」を押してください</source>
        <translation>Next: when the air temperatures are steady, press &quot;Confirm air temp.&quot;</translation>
    </message>
    <message>
        <source>次: 風速 0 m/s で安定したら「0m/s.調整確定」を押してください</source>
        <translation>Next: when steady at 0 m/s, press &quot;Confirm 0 m/s&quot;</translation>
    </message>
    <message>
        <source>次: 「設定送出」でセンサーへ送ってください（0 m/s を示すと Step-5 に進みます）</source>
        <translation>Next: write the set to the sensor with &quot;Write&quot; (Step-5 once it reads 0 m/s)</translation>
    </message>
    <message>
        <source>次: 「設定送出」でセンサーへ送ってください（基準風速を示すと完了します）</source>
        <translation>Next: write the set to the sensor with &quot;Write&quot; (complete once it reads the reference speed)</translation>
    </message>
    <message>
        <source>次: 「作業完了」を押してレポートを作ってください</source>
        <translation>Next: press &quot;Finish&quot; to write the report</translation>
    </message>
    <message>
        <source>センサーの設定を読んでいます…</source>
        <translation>Reading the sensor&apos;s parameters…</translation>
    </message>
    <message>
        <source>センサーの設定を読めませんでした（応答なし）</source>
        <translation>The sensor&apos;s parameters could not be read (no answer)</translation>
    </message>
    <message>
        <source>センサーの値: %1</source>
        <translation>Sensor&apos;s value: %1</translation>
    </message>
    <message>
        <source>%1 項目の値がセンサーと異なります</source>
        <translation>%1 values differ from the sensor</translation>
    </message>
    <message>
        <source>すべての値がセンサーと一致しています</source>
        <translation>All values agree with the sensor</translation>
    </message>
    <message>
        <source>%1 m/s 調整確定</source>
        <translation>Confirm %1 m/s</translation>
    </message>
    <message>
        <source>次: 素子の温度が安定したら「素子温度器差確定」を押してください</source>
        <translation>Next: when the element temperatures are steady, press &quot;Confirm element temp.&quot;</translation>
    </message>
    <message>
        <source>次: 基準風速 %1 m/s で安定したら「%1 m/s 調整確定」を押してください</source>
        <translation>Next: when steady at the reference speed of %1 m/s, press &quot;Confirm %1 m/s&quot;</translation>
    </message>
</context>
<context>
    <name>WriteLog</name>
    <message>
        <source>【書込み開始】</source>
        <translation>[Write started]</translation>
    </message>
    <message>
        <source>書込み停止しました！</source>
        <translation>Write stopped!</translation>
    </message>
    <message>
        <source> ： 書込み失敗！ 送信データが1フレームに収まりません</source>
        <translation>: write failed! The data does not fit into one frame</translation>
    </message>
    <message>
        <source> ： 書込み</source>
        <translation>: writing</translation>
    </message>
    <message>
        <source> ： 書込み成功！</source>
        <translation>: written!</translation>
    </message>
    <message>
        <source> ： 書込み失敗！ 送信データ不一致</source>
        <translation>: write failed! The echo differs from the data sent</translation>
    </message>
    <message>
        <source> ： 応答なし 再書き込み！</source>
        <translation>: no answer, writing again!</translation>
    </message>
    <message>
        <source> ： 応答なし 書込み失敗！</source>
        <translation>: no answer, write failed!</translation>
    </message>
    <message>
        <source>読出し</source>
        <translation>read-out</translation>
    </message>
    <message>
        <source> ： </source>
        <translation>: </translation>
    </message>
    <message>
        <source> の遅れた応答を無視しました</source>
        <translation> answered late; answer ignored</translation>
    </message>
    <message>
        <source> ： 書込み（センサーの書込みモードを閉じます）</source>
        <translation>: writing (closes the sensor&apos;s write mode)</translation>
    </message>
    <message>
        <source> ： 応答なし</source>
        <translation>: no answer</translation>
    </message>
    <message>
        <source>バックアップ: なし（この画面で最初の書込みの前に保存できませんでした）</source>
        <translation>Backup: none (it could not be saved before the first write in this window)</translation>
    </message>
    <message>
        <source>バックアップ: </source>
        <translation>Backup: </translation>
    </message>
    <message>
        <source>（この画面で最初の書込みの前に保存）</source>
        <translation> (saved before the first write in this window)</translation>
    </message>
    <message>
        <source>●●書込み完了しました！●●</source>
        <translation>●● Write complete! ●●</translation>
    </message>
    <message>
        <source>読戻し不一致 書込み失敗！ </source>
        <translation>Read-back differs: write failed! </translation>
    </message>
    <message>
        <source>●●書込み未確認: 読戻しで確かめられませんでした●●</source>
        <translation>●● Write unverified: the read-back could not confirm it ●●</translation>
    </message>
    <message>
        <source>書込みを中止しました</source>
        <translation>Write aborted</translation>
    </message>
    <message>
        <source>読戻し確認の途中で閉じました: 書込みは未確認です</source>
        <translation>Closed during the read-back: the write is unverified</translation>
    </message>
    <message>
        <source>センサーには一部だけ書き込まれた設定が残っています。</source>
        <translation>The sensor holds a partly written parameter set. </translation>
    </message>
    <message>
        <source>書込み前のバックアップはありません</source>
        <translation>There is no backup from before the write</translation>
    </message>
    <message>
        <source>元に戻すにはバックアップ </source>
        <translation>To restore, load the backup </translation>
    </message>
    <message>
        <source> を読み込んで送出してください</source>
        <translation> and write it</translation>
    </message>
    <message>
        <source>バックアップ: センサーがパラメータを返さないため保存していません</source>
        <translation>Backup: not saved, the sensor returns no parameters</translation>
    </message>
    <message>
        <source>バックアップ: センサーが </source>
        <translation>Backup: not saved: the sensor does not return </translation>
    </message>
    <message>
        <source> を返さないため保存していません</source>
        <translation>.</translation>
    </message>
    <message>
        <source>バックアップ: 保存できませんでした: </source>
        <translation>Backup: could not be saved: </translation>
    </message>
    <message>
        <source>●●読戻し確認: センサーの応答がありません●●</source>
        <translation>●● Read-back: no answer from the sensor ●●</translation>
    </message>
    <message>
        <source>読戻しなし! : </source>
        <translation>Not read back! : </translation>
    </message>
    <message>
        <source>読戻し不一致! : </source>
        <translation>Read-back differs! : </translation>
    </message>
    <message>
        <source>●●読戻し確認: 全</source>
        <translation>●● Read-back: all </translation>
    </message>
    <message>
        <source>項目一致●●</source>
        <translation> items agree ●●</translation>
    </message>
    <message>
        <source>●●読戻し確認: </source>
        <translation>●● Read-back: of </translation>
    </message>
    <message>
        <source>項目中 不一致 </source>
        <translation> items, differing </translation>
    </message>
    <message>
        <source>、読めず </source>
        <translation>, unread </translation>
    </message>
    <message>
        <source>この書込みで変わる値（キー 名称: センサーの値 → 送る値）:</source>
        <translation>Values this write changes (key name: sensor now → to send):</translation>
    </message>
    <message>
        <source>この書込みで変わる値: なし（センサーは送る値をすべて持っています）</source>
        <translation>Values this write changes: none (the sensor already holds every value to send)</translation>
    </message>
    <message>
        <source>センサーから読めず、変わるか分からない値: </source>
        <translation>Not read from the sensor, so whether they change is unknown: </translation>
    </message>
    <message>
        <source>センサーの設定を読めなかったため、この書込みで何が変わるか分かりません</source>
        <translation>The sensor&apos;s parameters could not be read, so what this write changes is unknown</translation>
    </message>
    <message>
        <source> → </source>
        <translation> → </translation>
    </message>
    <message>
        <source>書込み前のセンサーの設定。この後の書込みで変わる値: </source>
        <translation>The sensor&apos;s parameters before the write. Values the write changes: </translation>
    </message>
    <message>
        <source>なし</source>
        <translation>none</translation>
    </message>
    <message>
        <source>不明 </source>
        <translation>unknown </translation>
    </message>
    <message>
        <source>書込みを取りやめました（センサーには何も送っていません）</source>
        <translation>Write cancelled (nothing was sent to the sensor)</translation>
    </message>
    <message>
        <source>確認を受けて書き込みます</source>
        <translation>Confirmed: writing</translation>
    </message>
</context>
<context>
    <name>qvr::LogView</name>
    <message>
        <source>コピー</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>すべて選択</source>
        <translation>Select all</translation>
    </message>
</context>
<context>
    <name>qvr::TCommCtrlForm</name>
    <message>
        <source>送信ログ</source>
        <translation>Send log</translation>
    </message>
    <message>
        <source>受信ログ</source>
        <translation>Receive log</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>ポート設定</source>
        <translation>Port setup</translation>
    </message>
    <message>
        <source>ポートを変更するには、データ収集を停止してください。</source>
        <translation>Stop the data collection to change the port.</translation>
    </message>
</context>
<context>
    <name>qvr::TMainForm</name>
    <message>
        <source>ComPort 通信状態</source>
        <translation>COM port status</translation>
    </message>
    <message>
        <source>風速</source>
        <translation>Wind speed</translation>
    </message>
    <message>
        <source>風向</source>
        <translation>Wind direction</translation>
    </message>
    <message>
        <source>気温</source>
        <translation>Air temp.</translation>
    </message>
    <message>
        <source>縦軸固定</source>
        <translation>Fix Y axis</translation>
    </message>
    <message>
        <source>秒記録</source>
        <translation>Per-second record</translation>
    </message>
    <message>
        <source>データ収取開始</source>
        <translation>Start data collection</translation>
    </message>
    <message>
        <source>データ収集終了</source>
        <translation>Stop data collection</translation>
    </message>
    <message>
        <source>グラフプロットデータをファイルに保存</source>
        <translation>Save the chart data to a file</translation>
    </message>
    <message>
        <source>設定変更</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>記録を見る</source>
        <translation>View records</translation>
    </message>
    <message>
        <source>Record フォルダの記録をグラフで見る</source>
        <translation>Chart the records in the Record folder</translation>
    </message>
    <message>
        <source>線色の変更...</source>
        <translation>Line colour...</translation>
    </message>
    <message>
        <source>線幅を太く</source>
        <translation>Thicker line</translation>
    </message>
    <message>
        <source>線幅を細く</source>
        <translation>Thinner line</translation>
    </message>
    <message>
        <source>背景色の変更...</source>
        <translation>Background colour...</translation>
    </message>
    <message>
        <source>枠色の変更...</source>
        <translation>Frame colour...</translation>
    </message>
    <message>
        <source>記録に失敗しています（失われた行: %1）
%2</source>
        <translation>Recording is failing (rows lost: %1)
%2</translation>
    </message>
    <message>
        <source>回線断: 2 秒ごとに再接続中
</source>
        <translation>Line lost: reconnecting every 2 s
</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>グラフのデータを保存(&amp;S)...</source>
        <translation>&amp;Save data...</translation>
    </message>
    <message>
        <source>記録を見る(&amp;V)...</source>
        <translation>Record &amp;viewer...</translation>
    </message>
    <message>
        <source>終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>通信(&amp;C)</source>
        <translation>&amp;Connection</translation>
    </message>
    <message>
        <source>データ収集開始(&amp;S)</source>
        <translation>&amp;Start data collection</translation>
    </message>
    <message>
        <source>データ収集終了(&amp;T)</source>
        <translation>S&amp;top data collection</translation>
    </message>
    <message>
        <source>ポート設定(&amp;P)...</source>
        <translation>&amp;Port setup...</translation>
    </message>
    <message>
        <source>通信ログ(&amp;L)...</source>
        <translation>&amp;Link window...</translation>
    </message>
    <message>
        <source>ウィンドウ(&amp;W)</source>
        <translation>&amp;Windows</translation>
    </message>
    <message>
        <source>設定・キャリブレーション(&amp;S)...</source>
        <translation>&amp;Settings and calibration...</translation>
    </message>
    <message>
        <source>ステータス値一覧(&amp;M)...</source>
        <translation>&amp;Monitor list...</translation>
    </message>
    <message>
        <source>表示言語(&amp;L)</source>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <source>日本語（次回の起動から）</source>
        <translation>Japanese (from the next start)</translation>
    </message>
    <message>
        <source>（次回の起動から）</source>
        <translation>(from the next start)</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>QVR Monitor について(&amp;A)...</source>
        <translation>&amp;About QVR Monitor...</translation>
    </message>
    <message>
        <source>表示言語</source>
        <translation>Display language</translation>
    </message>
    <message>
        <source>表示言語は次回の起動から切り替わります。</source>
        <translation>The display language changes from the next start.</translation>
    </message>
    <message>
        <source>QVR Monitor  バージョン %1</source>
        <translation>QVR Monitor  version %1</translation>
    </message>
    <message>
        <source>ライセンス: GNU General Public License 第3版（同梱の COPYING）</source>
        <translation>Licence: GNU General Public License, version 3 (the enclosed COPYING)</translation>
    </message>
    <message>
        <source>データフォルダ: %1</source>
        <translation>Data folder: %1</translation>
    </message>
    <message>
        <source>QVR Monitor について</source>
        <translation>About QVR Monitor</translation>
    </message>
</context>
<context>
    <name>qvr::TMqttTab</name>
    <message>
        <source>記録したデータを MQTT ブローカーへ送る</source>
        <translation>Send the recorded data to an MQTT broker</translation>
    </message>
    <message>
        <source>qvr/&lt;シリアル番号&gt;</source>
        <translation>qvr/&lt;serial number&gt;</translation>
    </message>
    <message>
        <source>ブローカー URL</source>
        <translation>Broker URL</translation>
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
        <source>CA 証明書 (mqtts://)</source>
        <translation>CA certificate (mqtts://)</translation>
    </message>
    <message>
        <source>トピックの接頭辞</source>
        <translation>Topic prefix</translation>
    </message>
    <message>
        <source>接続断の間の保存上限</source>
        <translation>Kept while disconnected, at most</translation>
    </message>
    <message>
        <source>変更は次回の起動から有効になります。</source>
        <translation>Changes take effect at the next start.</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>保存しませんでした: URL が使えません (%1)</source>
        <translation>Not saved: the URL cannot be used (%1)</translation>
    </message>
    <message>
        <source>保存できませんでした: %1</source>
        <translation>Could not save: %1</translation>
    </message>
    <message>
        <source>保存しました。次回の起動から有効です。</source>
        <translation>Saved. Effective at the next start.</translation>
    </message>
</context>
<context>
    <name>qvr::TSysSetForm</name>
    <message>
        <source>シリアル番号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>管理操作</source>
        <translation>Calibration</translation>
    </message>
    <message>
        <source>直接操作</source>
        <translation>Direct editing</translation>
    </message>
    <message>
        <source>通信ポート設定</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>通信開始</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>通信クローズ</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>ログ表示...</source>
        <translation>Show log...</translation>
    </message>
    <message>
        <source>ポート設定...</source>
        <translation>Port setup...</translation>
    </message>
    <message>
        <source>基準電圧がmV仕様の</source>
        <translation>For mV reference</translation>
    </message>
    <message>
        <source>品種は、mV単位で記述</source>
        <translation>models, enter in mV</translation>
    </message>
    <message>
        <source>表示言語</source>
        <translation>Display language</translation>
    </message>
    <message>
        <source>日本語</source>
        <translation>Japanese</translation>
    </message>
    <message>
        <source>設定値</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>システム設定値 ─────────</source>
        <translation>System value ─────────</translation>
    </message>
    <message>
        <source>器差補正 ────────────</source>
        <translation>Instrument error ──────</translation>
    </message>
    <message>
        <source>風速算出 ──────────────</source>
        <translation>Wind speed computation ──</translation>
    </message>
    <message>
        <source>特性補正式 ─────────────</source>
        <translation>Characteristic correction ──</translation>
    </message>
    <message>
        <source>&#x3000;設定送出</source>
        <translation> Write</translation>
    </message>
    <message>
        <source> 設定保存...</source>
        <translation> Save...</translation>
    </message>
    <message>
        <source> 設定読込...</source>
        <translation> Load...</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>補正点</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>補正量</source>
        <translation>Correction</translation>
    </message>
    <message>
        <source>変換できない文字がありました
設定数値を確認してください！

</source>
        <translation>A value could not be converted.
Please check the parameter values!

</translation>
    </message>
    <message>
        <source>：「</source>
        <translation>: &quot;</translation>
    </message>
    <message>
        <source>」</source>
        <translation>&quot;</translation>
    </message>
    <message>
        <source>センサー読込中のため、送出できません。読込が終わってから実行してください</source>
        <translation>Cannot write while reading back from the sensor. Please try again when the read-back has finished.</translation>
    </message>
    <message>
        <source>接続していないので、実行できません！</source>
        <translation>Not connected: cannot run!</translation>
    </message>
    <message>
        <source>書込み中のため、読込できません</source>
        <translation>Cannot read back while writing</translation>
    </message>
    <message>
        <source>センサーから応答がありません</source>
        <translation>No answer from the sensor</translation>
    </message>
    <message>
        <source>センサーから読めなかった項目があります（表示は前の値のままです）
</source>
        <translation>Some items could not be read from the sensor (they keep their previous values)
</translation>
    </message>
    <message>
        <source>キャリブレーション開始</source>
        <translation>Start calibration</translation>
    </message>
    <message>
        <source>気温器差確定</source>
        <translation>Confirm air temp.</translation>
    </message>
    <message>
        <source>0m/s.調整確定</source>
        <translation>Confirm 0 m/s</translation>
    </message>
    <message>
        <source>0m 判断簡略化</source>
        <translation>Simplified 0 m check</translation>
    </message>
    <message>
        <source>作業完了</source>
        <translation>Finish</translation>
    </message>
    <message>
        <source>計測値判断状況 ─────────────────────────────</source>
        <translation>Measurement judgement ─────────────────────────</translation>
    </message>
    <message>
        <source>レポート: </source>
        <translation>Report: </translation>
    </message>
    <message>
        <source>DefaultPrm.qvrが見つかりません。</source>
        <translation>DefaultPrm.qvr not found.</translation>
    </message>
    <message>
        <source>検証</source>
        <translation>Verification</translation>
    </message>
    <message>
        <source>（次回の起動から）</source>
        <translation>(from the next start)</translation>
    </message>
    <message>
        <source> センサーから読込</source>
        <translation> Read from sensor</translation>
    </message>
    <message>
        <source>%1 を読み込む</source>
        <translation>Load %1</translation>
    </message>
    <message>
        <source>このシリアル番号の設定ファイル（キャリブレーションで保存）: %1</source>
        <translation>The setpoint file of this serial number (saved by the calibration): %1</translation>
    </message>
    <message>
        <source>素子温度器差確定</source>
        <translation>Confirm element temp.</translation>
    </message>
</context>
<context>
    <name>qvr::TVerifyTab</name>
    <message>
        <source>定常&#x3000;平均 %1 m/s&#x3000;幅 %2 m/s（%3件）</source>
        <translation>Steady  mean %1 m/s  span %2 m/s (%3 readings)</translation>
    </message>
    <message>
        <source>変動中&#x3000;幅 %1 m/s（%2 m/s未満で定常）</source>
        <translation>Changing  span %1 m/s (steady below %2 m/s)</translation>
    </message>
    <message>
        <source>センサーから新しい計測値がありません</source>
        <translation>No new readings from the sensor</translation>
    </message>
    <message>
        <source>不合格</source>
        <translation>FAIL</translation>
    </message>
    <message>
        <source>合格</source>
        <translation>PASS</translation>
    </message>
    <message>
        <source>—</source>
        <translation>—</translation>
    </message>
    <message>
        <source>基準風速</source>
        <translation>Reference</translation>
    </message>
    <message>
        <source>風洞の基準風速計の値 (m/s)</source>
        <translation>The tunnel&apos;s reference instrument reading (m/s)</translation>
    </message>
    <message>
        <source>測定点記録</source>
        <translation>Record point</translation>
    </message>
    <message>
        <source>時刻</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>基準
風速</source>
        <translation>Ref.
speed</translation>
    </message>
    <message>
        <source>平均</source>
        <translation>Mean</translation>
    </message>
    <message>
        <source>標準
偏差</source>
        <translation>Std.
dev.</translation>
    </message>
    <message>
        <source>最大</source>
        <translation>Max.</translation>
    </message>
    <message>
        <source>最小</source>
        <translation>Min.</translation>
    </message>
    <message>
        <source>件数</source>
        <translation>n</translation>
    </message>
    <message>
        <source>偏差</source>
        <translation>Dev.</translation>
    </message>
    <message>
        <source>偏差率
(%)</source>
        <translation>Dev.
(%)</translation>
    </message>
    <message>
        <source>判定</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>選択した点を削除</source>
        <translation>Delete selected</translation>
    </message>
    <message>
        <source>許容差 ±(</source>
        <translation>Tolerance ±(</translation>
    </message>
    <message>
        <source>% × 基準風速)</source>
        <translation>% × reference)</translation>
    </message>
    <message>
        <source>検証完了</source>
        <translation>Finish verification</translation>
    </message>
    <message>
        <source>基準風速を 0 から 100 m/s の数値で入力してください</source>
        <translation>Type the reference speed as a number from 0 to 100 m/s</translation>
    </message>
    <message>
        <source>風速が定常でないため、測定点を記録できません（%1）</source>
        <translation>The wind speed is not steady, so no point can be recorded (%1)</translation>
    </message>
    <message>
        <source>前の測定点と同じ計測値です。新しい計測値が揃うまで待ってください</source>
        <translation>These are the readings of the last point. Wait for new readings.</translation>
    </message>
    <message>
        <source>許容差は A を 0〜10 m/s、B を 0〜100 % の数値で入力してください</source>
        <translation>Type the tolerance as numbers: A from 0 to 10 m/s, B from 0 to 100 %</translation>
    </message>
    <message>
        <source>判定：</source>
        <translation>Verdict: </translation>
    </message>
    <message>
        <source>（%1点が許容差外）</source>
        <translation> (outside the tolerance: %1)</translation>
    </message>
    <message>
        <source>（%1 / %2点）</source>
        <translation> (%1 of %2 points)</translation>
    </message>
    <message>
        <source>測定点がありません</source>
        <translation>There are no points</translation>
    </message>
    <message>
        <source>ログ: </source>
        <translation>Log: </translation>
    </message>
    <message>
        <source>
レポート: </source>
        <translation>
Report: </translation>
    </message>
    <message>
        <source>次の測定点まで新しい計測値があと%1件必要です</source>
        <translation>The next point needs %1 more new readings</translation>
    </message>
    <message>
        <source>風速の計測値が%1件に達していません（あと%2件）</source>
        <translation>Fewer than %1 wind speed readings (%2 more needed)</translation>
    </message>
    <message>
        <source>（%3 m/s以上離れた基準風速 %1 / %2種類）</source>
        <translation> (references at least %3 m/s apart: %1 of %2)</translation>
    </message>
    <message>
        <source>回帰：</source>
        <translation>Regression: </translation>
    </message>
    <message>
        <source>傾き %1&#x3000;オフセット %2 m/s&#x3000;r %3</source>
        <translation>Slope %1  offset %2 m/s  r %3</translation>
    </message>
    <message>
        <source>傾き %1 ± %2&#x3000;オフセット %3 ± %4 m/s&#x3000;r %5&#x3000;残差標準偏差 %6 m/s</source>
        <translation>Slope %1 ± %2  offset %3 ± %4 m/s  r %5  residual std. dev. %6 m/s</translation>
    </message>
    <message>
        <source>測定</source>
        <translation>Measure</translation>
    </message>
    <message>
        <source>証明書の記載事項</source>
        <translation>Certificate details</translation>
    </message>
    <message>
        <source>基準風速計の拡張不確かさ (k=2)：その校正証明書に記載の値</source>
        <translation>Expanded uncertainty (k=2) of the reference instrument, as its calibration certificate states it</translation>
    </message>
    <message>
        <source>拡張不確
かさ(k=2)</source>
        <translation>U
(k=2)</translation>
    </message>
    <message>
        <source>測定点と回帰をログ、レポートとデジタル証明書に書き出します</source>
        <translation>Writes the points and the regression to the log, the report and the digital certificate</translation>
    </message>
    <message>
        <source>校正機関名 *</source>
        <translation>Laboratory *</translation>
    </message>
    <message>
        <source>校正機関の所在地</source>
        <translation>Laboratory address</translation>
    </message>
    <message>
        <source>依頼者名 *</source>
        <translation>Customer *</translation>
    </message>
    <message>
        <source>依頼者の参照番号</source>
        <translation>Customer reference</translation>
    </message>
    <message>
        <source>注文番号など、依頼者が指定した番号</source>
        <translation>The order number or other reference the customer gave</translation>
    </message>
    <message>
        <source>手順</source>
        <translation>Procedure</translation>
    </message>
    <message>
        <source>空欄のときは「QVR Monitor 検証」</source>
        <translation>When empty: the program&apos;s own verification procedure</translation>
    </message>
    <message>
        <source>風洞の識別名 *</source>
        <translation>Wind tunnel *</translation>
    </message>
    <message>
        <source>取付管の直径 (mm) *</source>
        <translation>Mounting tube diameter (mm) *</translation>
    </message>
    <message>
        <source>センサーの製造者</source>
        <translation>Sensor maker</translation>
    </message>
    <message>
        <source>空欄のときは「不明」</source>
        <translation>When empty: unknown</translation>
    </message>
    <message>
        <source>* の項目は、「検証完了」でデジタル証明書 (シリアル番号_VER.json) を書き出すのに必要です。内容は BaseSetpoint.ini に保存されます。</source>
        <translation>The fields marked * are needed for &quot;Finish verification&quot; to write the digital certificate (serial number_VER.json). They are kept in BaseSetpoint.ini.</translation>
    </message>
    <message>
        <source>基準風速が前の測定点（%1 m/s）から変わっていませんが、センサーは %2 m/s を示しています。このまま記録しますか？</source>
        <translation>The reference is unchanged since the last point (%1 m/s), but the sensor now reads %2 m/s. Record anyway?</translation>
    </message>
    <message>
        <source>検証の設定を保存できません（この実行中は有効です）
</source>
        <translation>The verification settings cannot be saved (they hold for this run)
</translation>
    </message>
    <message>
        <source>基準器の不確かさは 0〜10 m/s または 0〜100 % の数値で入力してください</source>
        <translation>Type the reference&apos;s uncertainty as a number: 0 to 10 m/s, or 0 to 100 %</translation>
    </message>
    <message>
        <source>
証明書: </source>
        <translation>
Certificate: </translation>
    </message>
    <message>
        <source>
証明書は書き出していません：</source>
        <translation>
No certificate written: </translation>
    </message>
    <message>
        <source>m/s、または読値の %</source>
        <translation>m/s, or % of reading</translation>
    </message>
</context>
<context>
    <name>qvr::TWriteForm</name>
    <message>
        <source>設定送出</source>
        <translation>Write parameters</translation>
    </message>
    <message>
        <source>&#x3000;書込み実行</source>
        <translation> Write</translation>
    </message>
    <message>
        <source>終了</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Abort</translation>
    </message>
    <message>
        <source>センサーは送る値をすべて持っていて、変わる値はありません。
それでも書き込みますか？</source>
        <translation>The sensor already holds every value to send: nothing would change.
Write anyway?</translation>
    </message>
    <message>
        <source>この書込みは、キャリブレーションで決めた次の値を置き換えます:</source>
        <translation>This write replaces these values set by a calibration:</translation>
    </message>
    <message>
        <source>センサーから読めなかったため、次の校正値が置き換わるか分かりません: </source>
        <translation>Not read from the sensor, so it is unknown whether these calibrated values are replaced: </translation>
    </message>
    <message>
        <source>書き込みますか？</source>
        <translation>Write?</translation>
    </message>
    <message>
        <source>書き込む</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>書き込まない</source>
        <translation>Do not write</translation>
    </message>
</context>
<context>
    <name>qvr::ViewerForm</name>
    <message>
        <source>記録ビューア</source>
        <translation>Record viewer</translation>
    </message>
    <message>
        <source>分記録 (.RCD)</source>
        <translation>Minute records (.RCD)</translation>
    </message>
    <message>
        <source>秒記録 (.csv)</source>
        <translation>Second records (.csv)</translation>
    </message>
    <message>
        <source>Shift や Ctrl で複数の日を選ぶと、続けて表示します</source>
        <translation>Select several days with Shift or Ctrl to show them one after another</translation>
    </message>
    <message>
        <source>フォルダを開く...</source>
        <translation>Open folder...</translation>
    </message>
    <message>
        <source>ファイルを開く...</source>
        <translation>Open files...</translation>
    </message>
    <message>
        <source>記録の日</source>
        <translation>Recorded days</translation>
    </message>
    <message>
        <source>ほかに表示するチャンネル</source>
        <translation>More channels to show</translation>
    </message>
    <message>
        <source>再読み込み</source>
        <translation>Reload</translation>
    </message>
    <message>
        <source>追従</source>
        <translation>Follow</translation>
    </message>
    <message>
        <source>記録中のファイルが増えたら読み直します</source>
        <translation>Reads the file again as the recording grows</translation>
    </message>
    <message>
        <source>全体表示</source>
        <translation>Show all</translation>
    </message>
    <message>
        <source>PNG 保存...</source>
        <translation>Save PNG...</translation>
    </message>
    <message>
        <source>CSV 保存...</source>
        <translation>Save CSV...</translation>
    </message>
    <message>
        <source>風速 (m/s)</source>
        <translation>Wind speed (m/s)</translation>
    </message>
    <message>
        <source>気温 (℃)</source>
        <translation>Air temp. (℃)</translation>
    </message>
    <message>
        <source>風速（最大・最小）</source>
        <translation>Wind speed (max/min)</translation>
    </message>
    <message>
        <source>風速</source>
        <translation>Wind speed</translation>
    </message>
    <message>
        <source>気温</source>
        <translation>Air temp.</translation>
    </message>
    <message>
        <source>%1 に記録ファイルがありません</source>
        <translation>No record files in %1</translation>
    </message>
    <message>
        <source>見つかりません: </source>
        <translation>Not found: </translation>
    </message>
    <message>
        <source>記録ファイルがありません</source>
        <translation>No record files</translation>
    </message>
    <message>
        <source>行数 %1</source>
        <translation>Rows %1</translation>
    </message>
    <message>
        <source>&#x3000;風速 平均 %1 m/s&#x3000;最大 %2 m/s&#x3000;最小 %3 m/s</source>
        <translation>   Wind speed mean %1 m/s   max %2 m/s   min %3 m/s</translation>
    </message>
    <message>
        <source>&#x3000;読めなかった行 %1</source>
        <translation>   Unreadable rows %1</translation>
    </message>
    <message>
        <source>%1 に書き込めません</source>
        <translation>Cannot write %1</translation>
    </message>
    <message>
        <source>記録ファイルを開く</source>
        <translation>Open record files</translation>
    </message>
    <message>
        <source>記録ファイル (*.RCD *.csv);;すべてのファイル (*)</source>
        <translation>Record files (*.RCD *.csv);;All files (*)</translation>
    </message>
    <message>
        <source>記録フォルダを開く</source>
        <translation>Open record folder</translation>
    </message>
    <message>
        <source>PNG 保存</source>
        <translation>Save PNG</translation>
    </message>
    <message>
        <source>PNG 画像 (*.png)</source>
        <translation>PNG image (*.png)</translation>
    </message>
    <message>
        <source>CSV 保存</source>
        <translation>Save CSV</translation>
    </message>
    <message>
        <source>%1 読めません</source>
        <translation>%1 unreadable</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>(%1〜%2)</source>
        <translation>(%1 to %2)</translation>
    </message>
</context>
</TS>
