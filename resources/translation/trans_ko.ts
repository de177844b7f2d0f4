<?xml version='1.0' encoding='utf-8'?>
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

This viewer plays the recordings of your dash camera, shows where and how fast the vehicle was driven, and edits the camera's settings on the memory card. All of this happens on this computer: recordings, positions and settings are never sent anywhere.

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
    <name>ChartView</name>
    <message>
        <source>Speed to %1 km/h</source>
        <translation>속도 눈금 %1 km/h</translation>
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
    <name>MainWindow</name>
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
    <name>MelTypeList</name>
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
    <name>TopBar</name>
    <message>
        <source>Always on top</source>
        <translation>항상 위</translation>
    </message>
</context>
</TS>