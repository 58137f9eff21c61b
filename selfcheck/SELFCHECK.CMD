@echo off
rem SELFCHECK.CMD: checks this Tumbleroo installation on this PC and writes SELFCHECK.TXT beside itself. Run it
rem from the Rehearsal folder (a double click is enough); the programs lie in the folder above.
echo Tumbleroo self-check: it plays four short games and runs the link configurator against the stand-in
echo world, about 5 minutes. Close the Pelmor world client, the game host and the configurator first, and
echo leave the windows that come up alone until it has finished.
echo.
"%~dp0selfcheck.exe"
set SELFCHECK_RESULT=%ERRORLEVEL%
echo.
echo Send SELFCHECK.TXT from this folder when you ask for help.
pause
exit /b %SELFCHECK_RESULT%
