@echo off
rem Puts the program beside this script into a shared board folder, also
rem while boards run there. Only program files change: the schedule, the
rem settings, the help and the backups stay as they are.
rem   Upgrade.cmd <shared folder>
rem Windows will not overwrite or delete a program that is running, but it
rem will rename it: the old program files move into old-<n> first, and the
rem new ones are copied in, the executable last, so a board that starts
rem meanwhile finds either no executable or the whole new program.
rem
rem The lines marked @...@ are filled in with this version's program files
rem when the zip is made. Written for cmd.exe and for Wine's cmd alike:
rem - every step is checked through errorlevel, not "||", which Wine's cmd
rem   gets wrong for its built-in commands;
rem - wildcards only unquoted and relative to the current folder, as Wine's
rem   cmd matches nothing with a quoted pattern;
rem - no folder path inside a "for" body: cmd would read a "%f" in a path
rem   such as "Plan 50%fun" as the loop's variable.
setlocal EnableExtensions DisableDelayedExpansion
if "%~1"=="" (
    echo Usage: Upgrade.cmd ^<shared folder^>
    exit /b 2
)
rem Both folders end in "\", so a drive's root stays "S:\" and never turns
rem into "S:", which names that drive's current folder.
set "src=%~dp0"
set "dst=%~f1"
if not "%dst:~-1%"=="\" set "dst=%dst%\"
if not exist "%dst%gsystem\sgrid.scd" (
    echo "%dst%" holds no board: gsystem\sgrid.scd is missing.
    exit /b 2
)
rem The same folder can be written in many ways (a mapped drive, its UNC
rem path, a short name): a file made here tells whether it shows there.
set "probe=~sbupgrade%RANDOM%%RANDOM%.tmp"
type nul > "%src%%probe%"
if errorlevel 1 (
    echo Cannot write in "%src%": unpack the new version into a folder of your own.
    exit /b 2
)
set same=
if exist "%dst%%probe%" set same=1
del "%src%%probe%"
if defined same (
    echo Unpack the new version into a folder of its own and run its Upgrade.cmd from there.
    exit /b 2
)
rem Every file of the new program must be there before anything moves.
set missing=
@CHECK_LINES@
if defined missing (
    echo "%src%" does not hold the whole new program: unpack the zip again.
    exit /b 2
)

set n=1
:free
if exist "%dst%old-%n%" (
    set /a n+=1
    goto free
)
set "old=old-%n%"
pushd "%dst%"
if errorlevel 1 (
    echo Cannot open "%dst%". Nothing was changed.
    exit /b 1
)
mkdir "%old%"
if errorlevel 1 goto unchanged
mkdir "%old%\platforms"
if errorlevel 1 goto unchanged
mkdir "%old%\styles"
if errorlevel 1 goto unchanged

echo Moving the old program into "%dst%%old%" ...
if exist SchedBoard.exe move /y SchedBoard.exe "%old%\" >nul
if errorlevel 1 goto restore
for %%f in (*.dll platforms\*.dll styles\*.dll) do (
    move /y "%%f" "%old%\%%f" >nul
    if errorlevel 1 goto restore
)

echo Copying the new program ...
if not exist platforms mkdir platforms
if not exist styles mkdir styles
if not exist licences mkdir licences
@COPY_LINES@
popd
echo Done. Boards that are running keep the old program until they are closed;
echo every board started from now on runs the new one. Delete "%dst%%old%"
echo once every board has been closed and started again.
exit /b 0

:restore
echo A program file could not be moved aside: putting back what was moved.
for %%f in (%old%\*.exe %old%\*.dll) do move /y "%%f" "%%~nxf" >nul
for %%f in (%old%\platforms\*.dll) do move /y "%%f" "platforms\%%~nxf" >nul
for %%f in (%old%\styles\*.dll) do move /y "%%f" "styles\%%~nxf" >nul
:unchanged
rem Without /s: a folder that still holds a file that could not go back stays.
rd "%old%\platforms" 2>nul
rd "%old%\styles" 2>nul
rd "%old%" 2>nul
if exist "%old%" (
    echo Some old program files could not be put back: they are in "%dst%%old%".
    echo Move them back to "%dst%" by hand before a board starts there.
    exit /b 1
)
echo Nothing was changed. Close the boards, or check the rights on "%dst%", and run this again.
exit /b 1

:failed
echo Copying the new program failed: the old one is in "%dst%%old%".
echo Free some room or check the rights on "%dst%", then run this again,
echo or move the files of "%dst%%old%" back to put the old program back.
exit /b 1
