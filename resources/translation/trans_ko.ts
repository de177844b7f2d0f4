<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>AboutView</name>
    <message>
        <source>Information</source>
        <translation>정보</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>프로그램</translation>
    </message>
    <message>
        <source>Copyright</source>
        <translation>저작권</translation>
    </message>
    <message>
        <source>Shortcuts</source>
        <translation>단축키</translation>
    </message>
    <message>
        <source>Check update</source>
        <translation>업데이트 확인</translation>
    </message>
    <message>
        <source>TARVIK DASHCAM
Version %1

Plays the recordings of your dash camera with their map, speed and G-sensor data.</source>
        <translation>TARVIK DASHCAM
버전 %1

블랙박스 녹화 영상을 지도, 속도, G센서 정보와 함께 재생합니다.</translation>
    </message>
    <message>
        <source>Copyright (C) 2026 TARVIK DASHCAM developers.

This program uses Qt, libvlc, FFmpeg, Leaflet, RapidJSON and zlib under their own licences.</source>
        <translation>Copyright (C) 2026 TARVIK DASHCAM 개발자.

이 프로그램은 Qt, libvlc, FFmpeg, Leaflet, RapidJSON, zlib을 각각의 라이선스에 따라 사용합니다.</translation>
    </message>
    <message>
        <source>Space	Play / pause
Left	5 seconds (or one frame) back
Right	5 seconds (or one frame) forward
Enter	Full screen
Esc	Leave full screen
Delete	Remove the selected files from the list</source>
        <translation>Space	재생 / 일시정지
Left	5초(또는 한 프레임) 뒤로
Right	5초(또는 한 프레임) 앞으로
Enter	전체 화면
Esc	전체 화면 해제
Delete	선택한 파일을 목록에서 삭제</translation>
    </message>
    <message>
        <source>Network Communication is not support now.</source>
        <translation>현재 네트워크 통신을 지원하지 않습니다.</translation>
    </message>
    <message>
        <source>There is no update version now.</source>
        <translation>지금은 업데이트할 버전이 없습니다.</translation>
    </message>
</context>
<context>
    <name>AgreementView</name>
    <message>
        <source>Privacy agreement</source>
        <translation>개인정보 동의</translation>
    </message>
    <message>
        <source>Look for program updates automatically</source>
        <translation>프로그램 업데이트 자동 확인</translation>
    </message>
    <message>
        <source>Send the status log automatically after a crash</source>
        <translation>비정상 종료 시 상태 로그 자동 전송</translation>
    </message>
    <message>
        <source>Agree</source>
        <translation>동의</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
    <message>
        <source>Privacy statement

This viewer plays the recordings of your dash camera, shows where and how fast the vehicle was driven, and edits the camera&apos;s settings on the memory card. All of this happens on this computer: recordings, positions and settings are never sent anywhere.

While it runs, the viewer keeps a status log (playerStatus.txt) in your application data folder. It records what the program did (for example which window was opened or that a file could not be read) so that problems can be found. It does not record the contents of your recordings, your positions or your personal information, and it is deleted when the program closes normally.

Two choices below are optional:
 - Look for program updates automatically: at start the program asks our update server whether a newer version exists. Only the version number is sent.
 - Send the status log automatically after a crash: if the program ends unexpectedly, the status log is compressed and uploaded so that we can find the cause. It is used only for that purpose and deleted afterwards.

You can change both choices later in the settings. If you do not agree, the program closes and no information is used.</source>
        <translation>개인정보 처리 안내

이 뷰어는 블랙박스 녹화 영상을 재생하고, 차량이 어디를 얼마나 빠르게 주행했는지 보여 주며, 메모리 카드의 카메라 설정을 편집합니다. 이 모든 작업은 이 컴퓨터에서만 이루어지며 녹화 영상, 위치, 설정은 어디로도 전송되지 않습니다.

프로그램이 실행되는 동안 응용 프로그램 데이터 폴더에 상태 로그(playerStatus.txt)를 남깁니다. 문제를 찾기 위해 프로그램이 한 일(예: 어떤 창을 열었는지, 어떤 파일을 읽지 못했는지)을 기록하며, 녹화 내용, 위치, 개인정보는 기록하지 않습니다. 프로그램이 정상 종료되면 삭제됩니다.

아래 두 가지는 선택 사항입니다.
 - 프로그램 업데이트 자동 확인: 시작할 때 업데이트 서버에 새 버전이 있는지 묻습니다. 버전 번호만 전송됩니다.
 - 비정상 종료 시 상태 로그 자동 전송: 프로그램이 예기치 않게 종료되면 원인을 찾을 수 있도록 상태 로그를 압축하여 전송합니다. 이 목적에만 사용되며 이후 삭제됩니다.

두 선택은 나중에 설정에서 바꿀 수 있습니다. 동의하지 않으면 프로그램이 종료되며 어떤 정보도 사용되지 않습니다.</translation>
    </message>
    <message>
        <source>If you do not agree to the collection and use of personal information, you cannot use this program.</source>
        <translation>개인정보 수집 및 이용에 동의하지 않으면 이 프로그램을 사용할 수 없습니다.</translation>
    </message>
</context>
<context>
    <name>CardFormatter</name>
    <message>
        <source>Can not move temp Config folder!</source>
        <translation>임시 Config 폴더를 옮길 수 없습니다!</translation>
    </message>
    <message>
        <source>Can not copy item to temp config folder!</source>
        <translation>임시 config 폴더로 항목을 복사할 수 없습니다!</translation>
    </message>
    <message>
        <source>Can not back root! Check sdcard connection!</source>
        <translation>루트로 돌아갈 수 없습니다! SD 카드 연결을 확인하세요!</translation>
    </message>
    <message>
        <source>Can not move sd Config folder!</source>
        <translation>SD의 Config 폴더를 옮길 수 없습니다!</translation>
    </message>
    <message>
        <source>Only a removable SD card can be formatted!</source>
        <translation>이동식 SD 카드만 포맷할 수 있습니다!</translation>
    </message>
    <message>
        <source>The card could not be formatted!</source>
        <translation>카드를 포맷할 수 없습니다!</translation>
    </message>
    <message>
        <source>Can not copy item to sd config folder</source>
        <translation>SD config 폴더로 항목을 복사할 수 없습니다</translation>
    </message>
    <message>
        <source>Every file on %1 (%2, %3, mounted at %4) will be erased. The camera&apos;s CONFIG folder is kept.</source>
        <translation>%1 (%2, %3, %4에 마운트됨)의 모든 파일이 지워집니다. 카메라의 CONFIG 폴더는 유지됩니다.</translation>
    </message>
    <message>
        <source>Format SD Card</source>
        <translation>SD 카드 포맷</translation>
    </message>
    <message>
        <source>Formatting the SD card...</source>
        <translation>SD 카드를 포맷하는 중...</translation>
    </message>
    <message>
        <source>Fail to format SDCard!</source>
        <translation>SD 카드 포맷에 실패했습니다!</translation>
    </message>
</context>
<context>
    <name>CardZone</name>
    <message>
        <source>UTC%1 from the card&apos;s config.bin</source>
        <translation>카드의 config.bin에 따른 UTC%1</translation>
    </message>
    <message>
        <source>computer time zone %1</source>
        <translation>컴퓨터 시간대 %1</translation>
    </message>
</context>
<context>
    <name>ChartView</name>
    <message>
        <source>Speed to %1 km/h</source>
        <translation>속도 눈금 %1 km/h</translation>
    </message>
</context>
<context>
    <name>ExportPlan</name>
    <message>
        <source>There is no select channel</source>
        <translation>선택된 채널이 없습니다</translation>
    </message>
    <message>
        <source>The end of the span must come after its start.</source>
        <translation>구간의 끝은 시작보다 뒤여야 합니다.</translation>
    </message>
    <message>
        <source>A channel file is missing.</source>
        <translation>채널 파일이 없습니다.</translation>
    </message>
</context>
<context>
    <name>ExportRunner</name>
    <message>
        <source>Cancelled</source>
        <translation>취소됨</translation>
    </message>
    <message>
        <source>Nothing was written to %1</source>
        <translation>%1에 아무것도 기록되지 않았습니다</translation>
    </message>
    <message>
        <source>No picture of this channel was taken for %1</source>
        <translation>%1에 사용할 이 채널의 사진이 없습니다</translation>
    </message>
    <message>
        <source>Could not write %1</source>
        <translation>%1을(를) 쓸 수 없습니다</translation>
    </message>
    <message>
        <source>Cannot read %1</source>
        <translation>%1을(를) 읽을 수 없습니다</translation>
    </message>
    <message>
        <source>Nothing to run</source>
        <translation>실행할 것이 없습니다</translation>
    </message>
    <message>
        <source>Could not write the filter graph: %1</source>
        <translation>필터 그래프를 쓸 수 없습니다: %1</translation>
    </message>
    <message>
        <source>ffmpeg could not be started (%1): %2</source>
        <translation>ffmpeg을 시작할 수 없습니다 (%1): %2</translation>
    </message>
    <message>
        <source>ffmpeg stopped unexpectedly</source>
        <translation>ffmpeg이 예기치 않게 중단되었습니다</translation>
    </message>
    <message>
        <source>ffmpeg failed (exit code %1): %2</source>
        <translation>ffmpeg 실패 (종료 코드 %1): %2</translation>
    </message>
    <message>
        <source>No telemetry was written</source>
        <translation>주행 기록이 저장되지 않았습니다</translation>
    </message>
</context>
<context>
    <name>FileFormatThread</name>
    <message>
        <source>Copying the CONFIG folder...</source>
        <translation>CONFIG 폴더를 복사하는 중...</translation>
    </message>
    <message>
        <source>Formatting the SD card...</source>
        <translation>SD 카드를 포맷하는 중...</translation>
    </message>
    <message>
        <source>Restoring the CONFIG folder...</source>
        <translation>CONFIG 폴더를 복원하는 중...</translation>
    </message>
</context>
<context>
    <name>GsensorEvents</name>
    <message>
        <source>Hard braking</source>
        <translation>급제동</translation>
    </message>
    <message>
        <source>Impact</source>
        <translation>충격</translation>
    </message>
</context>
<context>
    <name>LanguageView</name>
    <message>
        <source>Language</source>
        <translation>언어</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>확인</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
</context>
<context>
    <name>LauncherTalk</name>
    <message>
        <source>Update Message</source>
        <translation>업데이트 알림</translation>
    </message>
    <message>
        <source>find Update Version</source>
        <translation>업데이트 버전 찾기</translation>
    </message>
    <message>
        <source>Would you like to download now?</source>
        <translation>지금 내려받으시겠습니까?</translation>
    </message>
    <message>
        <source>DownLoad Fail</source>
        <translation>내려받기 실패</translation>
    </message>
    <message>
        <source>Check your Network state</source>
        <translation>네트워크 상태를 확인하세요</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>SD is not exist!</source>
        <translation>SD 카드가 없습니다!</translation>
    </message>
    <message>
        <source>Program Reset</source>
        <translation>프로그램 초기화</translation>
    </message>
    <message>
        <source>Program will be quit.</source>
        <translation>프로그램이 종료됩니다.</translation>
    </message>
    <message>
        <source>Restore camera settings</source>
        <translation>카메라 설정 복원</translation>
    </message>
    <message>
        <source>The last SD card format did not finish. The card&apos;s CONFIG folder was kept. Copy it to the card now?</source>
        <translation>지난 SD 카드 포맷이 끝나지 않았습니다. 카드의 CONFIG 폴더를 보관해 두었습니다. 지금 카드로 복사할까요?</translation>
    </message>
    <message>
        <source>The SD card</source>
        <translation>SD 카드</translation>
    </message>
    <message>
        <source>Complete!</source>
        <translation>완료!</translation>
    </message>
    <message>
        <source>Can not copy item to sd config folder</source>
        <translation>SD config 폴더로 항목을 복사할 수 없습니다</translation>
    </message>
    <message>
        <source>Play a recording first: its channels are what is saved.</source>
        <translation>먼저 영상을 재생하세요: 그 채널이 저장됩니다.</translation>
    </message>
    <message>
        <source>Play a recording first: its pictures are what is printed.</source>
        <translation>먼저 영상을 재생하세요: 그 화면이 인쇄됩니다.</translation>
    </message>
</context>
<context>
    <name>MapView</name>
    <message>
        <source>Map</source>
        <translation>지도</translation>
    </message>
    <message>
        <source>No GPS fix</source>
        <translation>GPS 수신 없음</translation>
    </message>
    <message>
        <source>Speed (%1)</source>
        <translation>속도 (%1)</translation>
    </message>
    <message>
        <source>Map unavailable</source>
        <translation>지도를 사용할 수 없습니다</translation>
    </message>
    <message>
        <source>No GPS position</source>
        <translation>GPS 위치 없음</translation>
    </message>
</context>
<context>
    <name>MelFileComboBox</name>
    <message>
        <source>  All Type</source>
        <translation>  전체</translation>
    </message>
    <message>
        <source>  Filter</source>
        <translation>  필터</translation>
    </message>
</context>
<context>
    <name>MelFileListItem</name>
    <message>
        <source>  Delete at list  </source>
        <translation>  목록에서 삭제  </translation>
    </message>
    <message>
        <source>  Delete from disk  </source>
        <translation>  디스크에서 삭제  </translation>
    </message>
    <message>
        <source>Open file</source>
        <translation>파일 열기</translation>
    </message>
    <message>
        <source>Movie file (*.avi *.mp4)</source>
        <translation>동영상 파일 (*.avi *.mp4)</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>폴더 열기</translation>
    </message>
    <message>
        <source>There is no item.</source>
        <translation>항목이 없습니다.</translation>
    </message>
    <message>
        <source>Item is exist!</source>
        <translation>이미 있는 항목입니다!</translation>
    </message>
    <message>
        <source>Item format is different with our service supproted!</source>
        <translation>지원하지 않는 파일 형식입니다!</translation>
    </message>
    <message>
        <source>Do you want to delete the selected files at disk?</source>
        <translation>선택한 파일을 디스크에서 삭제하시겠습니까?</translation>
    </message>
    <message>
        <source>Do you want to delete the selected files at list?</source>
        <translation>선택한 파일을 목록에서 삭제하시겠습니까?</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>경고</translation>
    </message>
    <message>
        <source>These files could not be deleted from the disk:
%1</source>
        <translation>다음 파일을 디스크에서 삭제하지 못했습니다:
%1</translation>
    </message>
    <message>
        <source>Only files on this computer can be opened:
%1</source>
        <translation>이 컴퓨터에 있는 파일만 열 수 있습니다:
%1</translation>
    </message>
</context>
<context>
    <name>MelShortcutTable</name>
    <message>
        <source>Open Video File</source>
        <translation>동영상 파일 열기</translation>
    </message>
    <message>
        <source>Open SD Card</source>
        <translation>SD 카드 열기</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>언어</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>인쇄</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>저장</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>설정</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>정보</translation>
    </message>
</context>
<context>
    <name>PlayControlView</name>
    <message>
        <source>Frm</source>
        <translation>프레임</translation>
    </message>
    <message>
        <source>Sec</source>
        <translation>초</translation>
    </message>
    <message>
        <source>Step unit</source>
        <translation>이동 단위</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>삭제</translation>
    </message>
    <message>
        <source>Delete the current file</source>
        <translation>현재 파일 삭제</translation>
    </message>
    <message>
        <source>0.5x</source>
        <translation>0.5배</translation>
    </message>
    <message>
        <source>1x</source>
        <translation>1배</translation>
    </message>
    <message>
        <source>1.5x</source>
        <translation>1.5배</translation>
    </message>
    <message>
        <source>2x</source>
        <translation>2배</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>속도</translation>
    </message>
    <message>
        <source>Play / Pause</source>
        <translation>재생 / 일시정지</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>정지</translation>
    </message>
    <message>
        <source>Previous file</source>
        <translation>이전 파일</translation>
    </message>
    <message>
        <source>Next file</source>
        <translation>다음 파일</translation>
    </message>
    <message>
        <source>Previous frame</source>
        <translation>이전 프레임</translation>
    </message>
    <message>
        <source>5 seconds back</source>
        <translation>5초 뒤로</translation>
    </message>
    <message>
        <source>Next frame</source>
        <translation>다음 프레임</translation>
    </message>
    <message>
        <source>5 seconds forward</source>
        <translation>5초 앞으로</translation>
    </message>
    <message>
        <source>Capture</source>
        <translation>캡처</translation>
    </message>
    <message>
        <source>Flip</source>
        <translation>반전</translation>
    </message>
    <message>
        <source>Sound on</source>
        <translation>소리 켜기</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>음소거</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>음량</translation>
    </message>
</context>
<context>
    <name>PlayerInterface</name>
    <message>
        <source>The video player could not be started, so no recording can be played.</source>
        <translation>동영상 플레이어를 시작할 수 없어 녹화를 재생할 수 없습니다.</translation>
    </message>
    <message>
        <source>The recording cannot be read:
%1</source>
        <translation>녹화 파일을 읽을 수 없습니다:
%1</translation>
    </message>
    <message>
        <source>This recording has no video and cannot be played:
%1</source>
        <translation>이 녹화에는 영상이 없어 재생할 수 없습니다:
%1</translation>
    </message>
    <message>
        <source>The recording could not be played:
%1</source>
        <translation>녹화를 재생할 수 없었습니다:
%1</translation>
    </message>
</context>
<context>
    <name>PrintChannelSelectView</name>
    <message>
        <source>Print</source>
        <translation>인쇄</translation>
    </message>
    <message>
        <source>Channels to print</source>
        <translation>인쇄할 채널</translation>
    </message>
    <message>
        <source>Front Scene</source>
        <translation>전방 화면</translation>
    </message>
    <message>
        <source>Rear Scene1</source>
        <translation>후방 화면1</translation>
    </message>
    <message>
        <source>Rear Scene2</source>
        <translation>후방 화면2</translation>
    </message>
    <message>
        <source>Channel 4</source>
        <translation>채널 4</translation>
    </message>
    <message>
        <source>Channel 5</source>
        <translation>채널 5</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>확인</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
    <message>
        <source>There is not selected channel!</source>
        <translation>선택된 채널이 없습니다!</translation>
    </message>
</context>
<context>
    <name>PrintView</name>
    <message>
        <source>Print</source>
        <translation>인쇄</translation>
    </message>
    <message>
        <source>Memo</source>
        <translation>메모</translation>
    </message>
    <message>
        <source>Lines of 40 characters are printed.</source>
        <translation>40자씩 줄을 나누어 인쇄합니다.</translation>
    </message>
    <message>
        <source>Apply memo</source>
        <translation>메모 적용</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
    <message>
        <source>The report could not be printed.</source>
        <translation>보고서를 인쇄할 수 없습니다.</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Could not write %1: %2</source>
        <translation>%1을(를) 쓸 수 없습니다: %2</translation>
    </message>
    <message>
        <source>Cannot read %1: %2</source>
        <translation>%1을(를) 읽을 수 없습니다: %2</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>취소됨</translation>
    </message>
</context>
<context>
    <name>RecordingTelemetry</name>
    <message>
        <source>cut short: %1 of %2 telemetry samples readable</source>
        <translation>잘림: 텔레메트리 샘플 %2개 중 %1개만 읽을 수 있음</translation>
    </message>
</context>
<context>
    <name>ReportPage</name>
    <message>
        <source>Date: </source>
        <translation>날짜: </translation>
    </message>
    <message>
        <source>Speed: </source>
        <translation>속도: </translation>
    </message>
    <message>
        <source>FileName: </source>
        <translation>파일 이름: </translation>
    </message>
    <message>
        <source>Model Name: </source>
        <translation>모델명: </translation>
    </message>
    <message>
        <source>Memo: </source>
        <translation>메모: </translation>
    </message>
    <message>
        <source>Report</source>
        <translation>보고서</translation>
    </message>
</context>
<context>
    <name>RightSideView</name>
    <message>
        <source>File list</source>
        <translation>파일 목록</translation>
    </message>
    <message>
        <source>Map</source>
        <translation>지도</translation>
    </message>
</context>
<context>
    <name>SDCardView</name>
    <message>
        <source>Setting file is not exist!</source>
        <translation>설정 파일이 없습니다!</translation>
    </message>
    <message>
        <source>checksum is different!</source>
        <translation>체크섬이 다릅니다!</translation>
    </message>
    <message>
        <source>This model is not supported!</source>
        <translation>지원하지 않는 모델입니다!</translation>
    </message>
    <message>
        <source>This model is not support!</source>
        <translation>지원하지 않는 모델입니다!</translation>
    </message>
    <message>
        <source>SD Card</source>
        <translation>SD 카드</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>드라이브</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>이름</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>전체</translation>
    </message>
    <message>
        <source>Used</source>
        <translation>사용</translation>
    </message>
    <message>
        <source>Free</source>
        <translation>남은 공간</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>새로 고침</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>열기</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
    <message>
        <source>SD Card is not connected!</source>
        <translation>SD 카드가 연결되지 않았습니다!</translation>
    </message>
    <message>
        <source>SD Card is not selected!</source>
        <translation>SD 카드를 선택하지 않았습니다!</translation>
    </message>
    <message>
        <source>Error is occured!</source>
        <translation>오류가 발생했습니다!</translation>
    </message>
    <message>
        <source>SD Card is Empty!</source>
        <translation>SD 카드가 비어 있습니다!</translation>
    </message>
</context>
<context>
    <name>SaveAsView</name>
    <message>
        <source>Choose Save Scene</source>
        <translation>저장할 화면 선택</translation>
    </message>
    <message>
        <source>File Setting</source>
        <translation>파일 설정</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>채널</translation>
    </message>
    <message>
        <source>Front Scene</source>
        <translation>전방 화면</translation>
    </message>
    <message>
        <source>Rear Scene1</source>
        <translation>후방 화면1</translation>
    </message>
    <message>
        <source>Rear Scene2</source>
        <translation>후방 화면2</translation>
    </message>
    <message>
        <source>Channel 4</source>
        <translation>채널 4</translation>
    </message>
    <message>
        <source>Channel 5</source>
        <translation>채널 5</translation>
    </message>
    <message>
        <source>Snapshot</source>
        <translation>스냅샷</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>동영상</translation>
    </message>
    <message>
        <source>Telemetry</source>
        <translation>주행 기록</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>폴더</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>변경</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>형식</translation>
    </message>
    <message>
        <source>From / to</source>
        <translation>시작 / 끝</translation>
    </message>
    <message>
        <source>Side by side (all chosen channels in one video)</source>
        <translation>나란히 (선택한 모든 채널을 한 동영상으로)</translation>
    </message>
    <message>
        <source>GPS track (GPX) beside the video</source>
        <translation>동영상 옆에 GPS 경로 (GPX)</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>형식</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>뒤로</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>저장</translation>
    </message>
    <message>
        <source>There is no select channel</source>
        <translation>선택된 채널이 없습니다</translation>
    </message>
    <message>
        <source>Search Folder</source>
        <translation>폴더 찾기</translation>
    </message>
    <message>
        <source>The samples of this span are written.</source>
        <translation>이 구간의 기록이 저장됩니다.</translation>
    </message>
    <message>
        <source>The video is encoded anew: it starts exactly at &quot;from&quot;.</source>
        <translation>동영상을 새로 인코딩합니다: &quot;시작&quot; 시점에서 정확히 시작합니다.</translation>
    </message>
    <message>
        <source>Cut without encoding anew: the clip starts at the key frame at or before &quot;from&quot;.</source>
        <translation>다시 인코딩하지 않고 자릅니다: &quot;시작&quot; 시점 또는 그 이전의 키 프레임에서 시작합니다.</translation>
    </message>
    <message>
        <source>The whole recording. Set &quot;from&quot; and &quot;to&quot; (or the marks I and O on the time line) to save a part.</source>
        <translation>영상 전체. 일부만 저장하려면 &quot;시작&quot;과 &quot;끝&quot;을 정하세요 (또는 타임라인에서 I와 O 키로 표시).</translation>
    </message>
    <message>
        <source>File exists</source>
        <translation>파일이 있습니다</translation>
    </message>
    <message>
        <source>These files exist already:
%1
Replace them?</source>
        <translation>다음 파일이 이미 있습니다:
%1
바꾸시겠습니까?</translation>
    </message>
    <message>
        <source>Could not create the folder %1</source>
        <translation>%1 폴더를 만들 수 없습니다</translation>
    </message>
    <message>
        <source>Saving...</source>
        <translation>저장 중...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
    <message>
        <source>Saving %1 (%2 of %3)...</source>
        <translation>%1 저장 중 (%3개 중 %2)...</translation>
    </message>
    <message>
        <source>Complete to Save Snapshot!</source>
        <translation>스냅샷 저장 완료!</translation>
    </message>
    <message>
        <source>Complete File Download!</source>
        <translation>파일 저장 완료!</translation>
    </message>
    <message>
        <source>Saving was cancelled; no partial file was kept.</source>
        <translation>저장이 취소되었습니다. 일부만 저장된 파일은 남기지 않았습니다.</translation>
    </message>
    <message>
        <source>Saving failed: %1</source>
        <translation>저장 실패: %1</translation>
    </message>
</context>
<context>
    <name>SceneArea</name>
    <message>
        <source>Front</source>
        <translation>전방</translation>
    </message>
    <message>
        <source>CAM 1</source>
        <translation>CAM 1</translation>
    </message>
    <message>
        <source>CAM 2</source>
        <translation>CAM 2</translation>
    </message>
    <message>
        <source>Front Scene</source>
        <translation>전방 화면</translation>
    </message>
    <message>
        <source>Rear Scene1</source>
        <translation>후방 화면1</translation>
    </message>
    <message>
        <source>Rear Scene2</source>
        <translation>후방 화면2</translation>
    </message>
</context>
<context>
    <name>SettingOpt</name>
    <message>
        <source>unknown</source>
        <translation>알 수 없음</translation>
    </message>
</context>
<context>
    <name>SettingOptCrashReport</name>
    <message>
        <source>Status log</source>
        <translation>상태 기록</translation>
    </message>
    <message>
        <source>The status log records what the program did. It holds no recordings and no positions.</source>
        <translation>상태 기록에는 프로그램이 한 일이 남습니다. 녹화 내용이나 위치는 들어 있지 않습니다.</translation>
    </message>
    <message>
        <source>Send the status log automatically after a crash</source>
        <translation>비정상 종료 후 상태 기록을 자동으로 보내기</translation>
    </message>
    <message>
        <source>Send now</source>
        <translation>지금 보내기</translation>
    </message>
    <message>
        <source>The launcher is not running. The status log can only be sent while the program was started by its launcher.</source>
        <translation>런처가 실행 중이 아닙니다. 상태 기록은 프로그램이 런처로 시작되었을 때만 보낼 수 있습니다.</translation>
    </message>
</context>
<context>
    <name>SettingOptProgram</name>
    <message>
        <source>Program Version</source>
        <translation>프로그램 버전</translation>
    </message>
    <message>
        <source>Client ID</source>
        <translation>클라이언트 ID</translation>
    </message>
    <message>
        <source>Program Reset</source>
        <translation>프로그램 초기화</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>초기화</translation>
    </message>
    <message>
        <source>(not assigned yet)</source>
        <translation>(아직 지정되지 않음)</translation>
    </message>
</context>
<context>
    <name>SettingOptUpdate</name>
    <message>
        <source>Current Version</source>
        <translation>현재 버전</translation>
    </message>
    <message>
        <source>Look for updates and download them automatically</source>
        <translation>업데이트를 자동으로 찾아 내려받기</translation>
    </message>
    <message>
        <source>Check update</source>
        <translation>업데이트 확인</translation>
    </message>
    <message>
        <source>The launcher is not running. Updates can only be looked for while the program was started by its launcher.</source>
        <translation>런처가 실행 중이 아닙니다. 업데이트는 프로그램이 런처로 시작되었을 때만 찾을 수 있습니다.</translation>
    </message>
</context>
<context>
    <name>SettingView</name>
    <message>
        <source>Setting</source>
        <translation>설정</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>장치</translation>
    </message>
    <message>
        <source>PC Viewer</source>
        <translation>PC 뷰어</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>기본값</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>확인</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
    <message>
        <source>There is no camera setting file. Open the camera&apos;s SD card to change its settings.</source>
        <translation>카메라 설정 파일이 없습니다. 설정을 바꾸려면 카메라의 SD 카드를 여세요.</translation>
    </message>
    <message>
        <source>This model is not support!</source>
        <translation>지원하지 않는 모델입니다!</translation>
    </message>
    <message>
        <source>This model is not supported!</source>
        <translation>지원하지 않는 모델입니다!</translation>
    </message>
    <message>
        <source>Program Setting</source>
        <translation>프로그램 설정</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>업데이트</translation>
    </message>
    <message>
        <source>Crash Report</source>
        <translation>오류 보고</translation>
    </message>
    <message>
        <source>There are unsaved settings.</source>
        <translation>저장하지 않은 설정이 있습니다.</translation>
    </message>
    <message>
        <source>Initialize</source>
        <translation>초기화</translation>
    </message>
    <message>
        <source>Every camera setting returns to its default. Save to keep it.</source>
        <translation>모든 카메라 설정이 기본값으로 돌아갑니다. 유지하려면 저장하세요.</translation>
    </message>
    <message>
        <source>Error Occured!</source>
        <translation>오류가 발생했습니다!</translation>
    </message>
    <message>
        <source>SD is not exist!</source>
        <translation>SD가 없습니다!</translation>
    </message>
    <message>
        <source>Device Reset</source>
        <translation>장치 초기화</translation>
    </message>
    <message>
        <source>The memory will be formatted to return some settings to defaults.</source>
        <translation>일부 설정을 기본값으로 되돌리기 위해 메모리를 포맷합니다.</translation>
    </message>
    <message>
        <source>It can&apos;t go back if you clicked yes.</source>
        <translation>예를 누르면 되돌릴 수 없습니다.</translation>
    </message>
    <message>
        <source>Complete!</source>
        <translation>완료!</translation>
    </message>
    <message>
        <source>Do you Really want to file format?</source>
        <translation>정말 포맷하시겠습니까?</translation>
    </message>
</context>
<context>
    <name>TelemetryExport</name>
    <message>
        <source>Times in UTC from the file names&apos; local time, %1. Speed in %2, G-sensor in g.</source>
        <translation>시간은 파일 이름의 현지 시간에서 변환한 UTC, %1. 속도 단위 %2, G센서 단위 g.</translation>
    </message>
    <message>
        <source>There is no telemetry in the chosen time.</source>
        <translation>선택한 시간에 텔레메트리가 없습니다.</translation>
    </message>
    <message>
        <source>The camera had no GPS position in the chosen time.</source>
        <translation>선택한 시간에 카메라의 GPS 위치가 없습니다.</translation>
    </message>
    <message>
        <source>The file cannot be written.</source>
        <translation>파일을 쓸 수 없습니다.</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation>%1을(를) 쓸 수 없습니다: %2</translation>
    </message>
    <message>
        <source>The recording holds no telemetry.</source>
        <translation>녹화 파일에 텔레메트리가 없습니다.</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>TopBar</name>
    <message>
        <source>Always on top</source>
        <translation>항상 위</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>최소화</translation>
    </message>
    <message>
        <source>Maximize</source>
        <translation>최대화</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>닫기</translation>
    </message>
</context>
<context>
    <name>TypeFilterState</name>
    <message>
        <source>All Type</source>
        <translation>전체</translation>
    </message>
    <message>
        <source>Infinity</source>
        <translation>상시</translation>
    </message>
    <message>
        <source>Event</source>
        <translation>이벤트</translation>
    </message>
    <message>
        <source>Parking</source>
        <translation>주차</translation>
    </message>
    <message>
        <source>User</source>
        <translation>수동</translation>
    </message>
</context>
<context>
    <name>UpdateView</name>
    <message>
        <source>Update</source>
        <translation>업데이트</translation>
    </message>
    <message>
        <source>Look for program updates automatically</source>
        <translation>프로그램 업데이트 자동 확인</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>저장</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>확인</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>취소</translation>
    </message>
    <message>
        <source>Path: </source>
        <translation>경로: </translation>
    </message>
    <message>
        <source>New Version: </source>
        <translation>새 버전: </translation>
    </message>
    <message>
        <source>There is new version of the program.</source>
        <translation>프로그램의 새 버전이 있습니다.</translation>
    </message>
    <message>
        <source>If you click the download button, it will be downloaded to the path below.</source>
        <translation>내려받기 버튼을 누르면 아래 경로에 내려받습니다.</translation>
    </message>
    <message>
        <source>When the download is complete, close the program and run the installation file.</source>
        <translation>내려받기가 끝나면 프로그램을 닫고 설치 파일을 실행하세요.</translation>
    </message>
    <message>
        <source>A new version of the program has been downloaded to the path below.</source>
        <translation>새 버전의 프로그램을 아래 경로에 내려받았습니다.</translation>
    </message>
    <message>
        <source>Close the program and run the installation file.</source>
        <translation>프로그램을 닫고 설치 파일을 실행하세요.</translation>
    </message>
    <message>
        <source>Network Communication is not working.</source>
        <translation>네트워크 통신이 되지 않습니다.</translation>
    </message>
    <message>
        <source>Update Message</source>
        <translation>업데이트 알림</translation>
    </message>
    <message>
        <source>Download is complete.</source>
        <translation>내려받기가 끝났습니다.</translation>
    </message>
    <message>
        <source>Would you like to install now?</source>
        <translation>지금 설치하시겠습니까?</translation>
    </message>
    <message>
        <source>Fail to Download</source>
        <translation>내려받지 못했습니다</translation>
    </message>
</context>
<context>
    <name>VLCComponent</name>
    <message>
        <source>The recording could not be played.</source>
        <translation>녹화를 재생할 수 없었습니다.</translation>
    </message>
    <message>
        <source>The recording shows no picture.</source>
        <translation>녹화에 영상이 나오지 않습니다.</translation>
    </message>
</context>
<context>
    <name>WaitAlertView</name>
    <message>
        <source>Download</source>
        <translation>저장</translation>
    </message>
    <message>
        <source>The new version is being downloaded.
Please wait a moment.</source>
        <translation>새 버전을 내려받는 중입니다.
잠시 기다려 주세요.</translation>
    </message>
</context>
</TS>
