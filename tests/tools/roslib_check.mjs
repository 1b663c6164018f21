// The standard JavaScript rosbridge client (roslib) against a rosbridge server:
//   node roslib_check.mjs <ws url> <folder holding node_modules/roslib>
// Calls a service that answers and one that is not offered, subscribes to a topic and
// waits for its first message, then prints what it got as one line of JSON.
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

const [url, packageFolder] = process.argv.slice(2);
const roslibFolder = join(packageFolder, 'node_modules', 'roslib');
const manifest = JSON.parse(readFileSync(join(roslibFolder, 'package.json'), 'utf8'));
const exported = manifest.exports && manifest.exports['.'];
const entry = (exported && (exported.import || exported.default)) || manifest.main;
const ROSLIB = await import(pathToFileURL(join(roslibFolder, entry)).href);

const outcome = { version: manifest.version };
const finish = (code) => {
  console.log(JSON.stringify(outcome));
  process.exit(code);
};
setTimeout(() => { outcome.error = 'timed out'; finish(3); }, 20000);

const done = () => {
  if ('sum' in outcome && 'failure' in outcome && 'message' in outcome)
    finish(0);
};

const ros = new ROSLIB.Ros({ url });
ros.on('error', (error) => { outcome.error = String((error && error.message) || error); finish(2); });
ros.on('connection', () => {
  const add = new ROSLIB.Service({ ros, name: '/add_two_ints', serviceType: 'rospy_tutorials/AddTwoInts' });
  add.callService({ a: 2, b: 3 },
    (response) => { outcome.sum = response.sum; done(); },
    (error) => { outcome.sum = 'failed: ' + error; done(); });

  const missing = new ROSLIB.Service({ ros, name: '/missing', serviceType: 'std_srvs/Trigger' });
  missing.callService({},
    () => { outcome.failure = 'answered'; done(); },
    (error) => { outcome.failure = String(error); done(); });

  const chatter = new ROSLIB.Topic({ ros, name: '/chatter', messageType: 'std_msgs/String' });
  const onMessage = (message) => {
    chatter.unsubscribe(onMessage);
    outcome.message = message.data;
    // The unsubscribe frame goes out before the result is printed.
    setTimeout(done, 100);
  };
  chatter.subscribe(onMessage);
});
